#include "ui/Unit1.h"

#include "engine/UMovie.h"
#include "framework/SysUtils.h"
#include "ui/AspectLock.h"
#include "ui/KeepAwake.h"
#include "ui/MediaKeys.h"
#include "ui/PlayerControls.h"
#include "ui/ScreenFit.h"
#include "ui/Title.h"
#include "ui/UAbout.h"

TForm1* Form1 = nullptr;

namespace {
// Left and top come as a pair, width and height as a pair: a lone second or
// fourth argument means nothing.
struct TPlacement {
    int Left = -1, Top = -1, Width = -1, Height = -1;
};

TPlacement ReadPlacement() {
    TPlacement p;
    int count = ParamCount();
    if (count >= 3) {
        p.Left = StrToIntDef(ParamStr(2), -1);
        p.Top = StrToIntDef(ParamStr(3), -1);
    }
    if (count >= 5) {
        p.Width = StrToIntDef(ParamStr(4), -1);
        p.Height = StrToIntDef(ParamStr(5), -1);
    }
    return p;
}
}  // namespace

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    InitializeForm("TFORM1");
}

std::span<const TPublishedMember> TForm1::PublishedMembers() const {
    static const TPublishedMember members[] = {
        PublishedField<&TForm1::OpenDialog1>("OpenDialog1"),
        PublishedField<&TForm1::MainMenu1>("MainMenu1"),
        PublishedField<&TForm1::ActionList1>("ActionList1"),
        PublishedField<&TForm1::File1>("File1"),
        PublishedField<&TForm1::Help1>("Help1"),
        PublishedField<&TForm1::FileOpen>("FileOpen"),
        PublishedField<&TForm1::O1>("O1"),
        PublishedField<&TForm1::FrmClose>("FrmClose"),
        PublishedField<&TForm1::N1>("N1"),
        PublishedField<&TForm1::X1>("X1"),
        PublishedField<&TForm1::About>("About"),
        PublishedField<&TForm1::DropDst1>("DropDst1"),
        PublishedField<&TForm1::PelorinA1>("PelorinA1"),
        PublishedMethod<&TForm1::FormCreate>("FormCreate"),
        PublishedMethod<&TForm1::FormShow>("FormShow"),
        PublishedMethod<&TForm1::FormResize>("FormResize"),
        PublishedMethod<&TForm1::FileOpenExecute>("FileOpenExecute"),
        PublishedMethod<&TForm1::FrmCloseExecute>("FrmCloseExecute"),
        PublishedMethod<&TForm1::AboutExecute>("AboutExecute"),
        PublishedMethod<&TForm1::DropDst1FileDrop>("DropDst1FileDrop"),
    };
    return members;
}

void TForm1::FormCreate(TObject*) {
    FMovie = new TMovie(this);
    FMovie->SetParent(this);
    FMovie->SetAlign(alClient);
    FMovie->OnClick = Bind<&TForm1::MovieClick>(this);
    FMovie->SetOnComplete(Bind<&TForm1::MovieComplete>(this));
    FMovie->SetOnFailed(Bind<&TForm1::MovieFailed>(this));
    FControls = new TPlayerControls(this, FMovie);
    FAspectLock = new TAspectLock(this, [this] { return FControls->FullScreen().Active(); });
    new TKeepAwake(this, FMovie);
    new TMediaKeys(this, FControls, FMovie);
    FEmptyCaption = Caption();

    if (ParamCount() < 1 || !FileExists(ParamStr(1)))
        return;

    // Command-line viewer mode. The one opening tells the window its size;
    // FormShow starts it once the window stands.
    const std::string file = ParamStr(1);
    const int designedWidth = ClientWidth(), designedHeight = ClientHeight();
    FMovie->SetAutoClose(true);
    FMovie->OpenFile(file);
    if (FMovie->State() == msClosed) {
        // The user has been told; a script waiting for the viewer learns it
        // from the exit code, and no window is left behind.
        Application->ExitCode = 1;
        Application->Terminate();
        return;
    }
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetCaption(MovieTitle(file));
    ShowMovieArea();

    TPlacement p = ReadPlacement();
    const bool video = FMovie->HasVideo();
    SetClientWidth(p.Width > 0 ? p.Width : video ? FMovie->VideoWidth() : designedWidth);
    SetClientHeight(p.Height > 0 ? p.Height : video ? FMovie->VideoHeight() : designedHeight);
    if (p.Left >= 0 || p.Top >= 0) {
        SetPosition(poDesigned);
        if (p.Left >= 0)
            SetLeft(p.Left);
        if (p.Top >= 0)
            SetTop(p.Top);
    }
    if (p.Width <= 0 && p.Height <= 0 && video)
        SizeToVideo();
}

void TForm1::FormShow(TObject*) {
    // A creation handler that failed early leaves no movie control.
    if (!FMovie || !FMovie->AutoClose() || FMovie->State() == msClosed)
        return;
    FControls->MovieOpened();
    FMovie->PlayPause();
}

void TForm1::MovieClick(TObject*) {
    FControls->PlayPause();
}

void TForm1::MovieComplete(TObject*) {
    Close();
}

void TForm1::MovieFailed(TObject*) {
    // Nothing is loaded any more: the window says so, and the viewer ends
    // with the exit code of a file it could not play.
    FControls->FullScreen().Leave();
    FAspectLock->SetAspect(0);
    SetCaption(FEmptyCaption);
    ShowMovieArea();
    if (FMovie->AutoClose()) {
        Application->ExitCode = 1;
        Close();
    }
}

void TForm1::FormResize(TObject*) {
    if (!FMovie)
        return;
    FMovie->SetBounds(0, 0, ClientWidth(), ClientHeight());
    // Restored from the task bar at the same size, the picture still needs
    // drawing again.
    FMovie->RedrawHeldFrame();
}

double TForm1::Aspect() const {
    return FAspectLock ? FAspectLock->Aspect() : 0;
}

void TForm1::FileOpenExecute(TObject*) {
    if (OpenDialog1->Execute())
        OpenAndPlay(OpenDialog1->FileName());
}

void TForm1::FrmCloseExecute(TObject*) {
    Close();
}

void TForm1::AboutExecute(TObject*) {
    if (AboutBox)
        AboutBox->ShowModal();
}

void TForm1::DropDst1FileDrop(TObject*, TStrings* files, int, int) {
    if (files->Count() == 1)
        OpenAndPlay((*files)[0]);
}

void TForm1::OpenAndPlay(const std::string& path) {
    // A name that is no file (a folder, a file gone since) changes nothing:
    // the movie playing goes on under its own title.
    if (!IsPlayableName(path))
        return;
    // The window takes the new video's size: out of full screen, no lock.
    FControls->FullScreen().Leave();
    FAspectLock->SetAspect(0);
    SetCaption(MovieTitle(path));
    FMovie->OpenFile(path);
    if (FMovie->State() == msClosed) {
        MovieFailed(FMovie);
        return;
    }
    FControls->MovieOpened();
    ShowMovieArea();
    // Without a picture the window keeps its size: there is nothing to fit.
    if (FMovie->HasVideo()) {
        SizeToVideo();
        FAspectLock->SetAspect(static_cast<double>(FMovie->VideoHeight()) / FMovie->VideoWidth());
    }
    FMovie->PlayPause();
}

void TForm1::ShowMovieArea() {
    // A loaded movie plays on black, its picture letterboxed whenever the
    // window's size is not its own (maximised, or while a resize settles);
    // the viewer's picture fills the size it was given. An empty window
    // shows the form's colour.
    const bool loaded = FMovie->State() != msClosed;
    FMovie->SetColor(loaded ? RGB(0, 0, 0) : Color());
    FMovie->SetKeepAspect(loaded && !FMovie->AutoClose());
}

void TForm1::SizeToVideo() {
    SetClientWidth(FMovie->VideoWidth());
    SetClientHeight(FMovie->VideoHeight());
    RECT work = MonitorArea(true);
    TWindowFit fit =
        FitVideoWindow(FMovie->VideoWidth(), FMovie->VideoHeight(), Width() - ClientWidth(), Height() - ClientHeight(),
                       {work.left, work.top, work.right, work.bottom}, Left(), Top());
    if (!fit.Shrunk)
        return;
    SetClientWidth(fit.ClientWidth);
    SetClientHeight(fit.ClientHeight);
    SetBounds(fit.Left, fit.Top, Width(), Height());
}
