#include "support/MovieControl.h"

TMovie* MakeMovie(TComponent* owner, TWinControl* parent) {
    auto* movie = new TMovie(owner);
    movie->SetParent(parent);
    movie->SetAlign(alClient);
    return movie;
}

TTimer* FindTimer(TComponent* owner) {
    for (int i = 0; i < owner->ComponentCount(); ++i)
        if (auto* timer = dynamic_cast<TTimer*>(owner->Components(i)))
            return timer;
    return nullptr;
}

void TMovieEvents::Watch(TMovie* movie) {
    movie->SetOnPosition(Bind<&TMovieEvents::Position>(this));
    movie->SetOnComplete(Bind<&TMovieEvents::Complete>(this));
    movie->SetOnFailed(Bind<&TMovieEvents::Failed>(this));
}

void TMovieEvents::Complete(TObject* sender) {
    ++Completes;
    CompleteSender = sender;
    if (InComplete)
        InComplete();
}
