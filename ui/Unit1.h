// The main window: the movie control that fills it, and the command-line
// viewer mode.
#pragma once

#include "dropfiles/DROPDST.h"
#include "framework/Forms.h"

class TMovie;

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);

    TDropDst* DropDst1 = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormResize(TObject* sender);
    void DropDst1FileDrop(TObject* sender, TStrings* files, int x, int y);

    TMovie* Movie() const { return FMovie; }

protected:
    std::any MethodAddress(const std::string& name) const override;
    TComponent** FieldAddress(const std::string& name) override;

private:
    void MovieClick(TObject* sender);
    void MovieComplete(TObject* sender);
    void OpenAndPlay(const std::string& path);

    TMovie* FMovie = nullptr;
    // Client height per pixel of client width; 0 means no lock.
    double FAspect = 0;
};

extern TForm1* Form1;
