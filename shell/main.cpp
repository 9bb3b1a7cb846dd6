// drav: the dispatch office program. The data folder is the current folder;
// "--data DIR" changes into DIR before anything else.
#include "shell/Program.h"

int main(int argc, char** argv) {
    return drav::shell::dravMain(argc, argv);
}
