// The About box: product name, version, copyright and credit line, read once
// at start-up from the program's own version resource.
#pragma once

#include <string>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

// The value of key in the string table named by the first entry of
// fileName's translation table; "" when the file has no version resource,
// the table or the key does not exist. A file whose version information
// cannot be read, or has no translation table, raises the system's error.
// The name and the value are UTF-8; the value is read as the UTF-16 the block
// holds, so it is whole whatever the system's code page.
std::string ReadVersionString(const std::string& fileName, const std::string& key);

class TAboutBox : public TForm {
public:
    explicit TAboutBox(TComponent* owner);

    TPanel* Panel1 = nullptr;
    TImage* ProgramIcon = nullptr;
    TLabel* ProductName = nullptr;
    TLabel* Version = nullptr;
    TLabel* Copyright = nullptr;
    TLabel* Comments = nullptr;
    TBitBtn* BitBtn1 = nullptr;
    TLabel* Label1 = nullptr;

    void FormCreate(TObject* sender);
    void BitBtn1Click(TObject* sender);

protected:
    std::span<const TPublishedMember> PublishedMembers() const override;
};

extern TAboutBox* AboutBox;
