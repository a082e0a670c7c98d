// The entry of every test program.
#include <gtest/gtest.h>

#include "dropfiles/DROPDST.h"
#include "framework/Layout.h"

int main(int argc, char** argv) {
    // As the program does before its first layout: the cases read layouts
    // that name the classes of both libraries.
    RegisterFrameworkClasses();
    RegisterDropFilesClasses();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
