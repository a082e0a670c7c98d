#include "ui/Unit1.h"

#include "engine/UMovie.h"
#include "framework/SysUtils.h"
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
    FControls = new TPlayerControls(this, FMovie);
    new TKeepAwake(this, FMovie);
    new TMediaKeys(this, FControls, FMovie);
    FAspect = 0;

    if (ParamCount() < 1 || !FileExists(ParamStr(1)))
        return;

    // Command-line viewer mode. The first opening tells the window its size;
    // FormShow opens the file again on the window as it finally stands.
    const std::string file = ParamStr(1);
    FMovie->OpenFile(file);
    FMovie->SetAutoClose(true);
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetCaption(MovieTitle(file));

    TPlacement p = ReadPlacement();
    SetClientWidth(p.Width > 0 ? p.Width : FMovie->VideoWidth());
    SetClientHeight(p.Height > 0 ? p.Height : FMovie->VideoHeight());
    if (p.Left >= 0 || p.Top >= 0) {
        SetPosition(poDesigned);
        if (p.Left >= 0)
            SetLeft(p.Left);
        if (p.Top >= 0)
            SetTop(p.Top);
    }
    if (p.Width <= 0 && p.Height <= 0)
        SizeToVideo();
}

void TForm1::FormShow(TObject*) {
    // A creation handler that failed early leaves no movie control.
    if (!FMovie || !FMovie->AutoClose())
        return;
    FMovie->OpenFile(ParamStr(1));
    FControls->MovieOpened();
    FMovie->PlayPause();
}

void TForm1::MovieClick(TObject*) {
    FControls->PlayPause();
}

void TForm1::MovieComplete(TObject*) {
    Close();
}

void TForm1::FormResize(TObject*) {
    if (!FMovie)
        return;
    FMovie->SetBounds(0, 0, ClientWidth(), ClientHeight());
    // The client height follows the width, so the picture keeps its shape.
    if (FAspect != 0 && !FControls->FullScreen().Active())
        SetClientHeight(RoundHalfEven(ClientWidth() * FAspect));
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
    // The window takes the new video's size: out of full screen, no lock.
    FControls->FullScreen().Leave();
    FAspect = 0;
    SetCaption(MovieTitle(path));
    FMovie->OpenFile(path);
    FControls->MovieOpened();
    SizeToVideo();
    FMovie->PlayPause();
    if (FMovie->VideoWidth() != 0)
        FAspect = static_cast<double>(FMovie->VideoHeight()) / FMovie->VideoWidth();
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
