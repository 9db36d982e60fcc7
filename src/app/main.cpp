// tavo-utility: the desktop program, with the operator's options only.
#include "UtilityMain.h"

int main(int argc, char** argv) {
    tavo::UtilityBuild product;
    return tavo::utilityMain(argc, argv, product);
}
