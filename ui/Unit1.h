// The main window: its menu and commands, the movie control that fills it,
// the aspect-locked resizing and the command-line viewer mode.
#pragma once

#include "dropfiles/DROPDST.h"
#include "framework/ActnList.h"
#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Menus.h"

class TMovie;
class TPlayerControls;
class TAspectLock;

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);

    TOpenDialog* OpenDialog1 = nullptr;
    TMainMenu* MainMenu1 = nullptr;
    TActionList* ActionList1 = nullptr;
    TMenuItem* File1 = nullptr;
    TMenuItem* Help1 = nullptr;
    TAction* FileOpen = nullptr;
    TMenuItem* O1 = nullptr;
    TAction* FrmClose = nullptr;
    TMenuItem* N1 = nullptr;
    TMenuItem* X1 = nullptr;
    TAction* About = nullptr;
    TDropDst* DropDst1 = nullptr;
    TMenuItem* PelorinA1 = nullptr;

    void FormCreate(TObject* sender);
    void FormShow(TObject* sender);
    void FormResize(TObject* sender);
    void FileOpenExecute(TObject* sender);
    void FrmCloseExecute(TObject* sender);
    void AboutExecute(TObject* sender);
    void DropDst1FileDrop(TObject* sender, TStrings* files, int x, int y);

    TMovie* Movie() const { return FMovie; }
    TPlayerControls* PlayerControls() const { return FControls; }
    // Client height per pixel of client width; 0 means no lock.
    double Aspect() const;

protected:
    std::span<const TPublishedMember> PublishedMembers() const override;

private:
    void MovieClick(TObject* sender);
    void MovieComplete(TObject* sender);
    void MovieFailed(TObject* sender);
    // The movie control's colour and letterboxing for what is loaded.
    void ShowMovieArea();
    void OpenAndPlay(const std::string& path);
    // The client takes the video's size, or the largest with its ratio that
    // the screen holds.
    void SizeToVideo();

    TMovie* FMovie = nullptr;
    TPlayerControls* FControls = nullptr;
    TAspectLock* FAspectLock = nullptr;
    // The title of the window with nothing loaded.
    std::string FEmptyCaption;
};

extern TForm1* Form1;
