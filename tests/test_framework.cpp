#include <gtest/gtest.h>

#include "framework/ExtCtrls.h"
#include "framework/Forms.h"

TEST(Framework, Smoke) {
    TForm* form = new TForm(Application);
    EXPECT_NE(form->Handle(), nullptr);
    delete form;
}
