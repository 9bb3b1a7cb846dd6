// drav-admin: maintenance of a data folder from scripts and the shell.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argv;
    if (argc < 2) {
        std::fprintf(stderr, "usage: drav-admin COMMAND DIR ...\n");
        return 2;
    }
    std::fprintf(stderr, "drav-admin: unknown command\n");
    return 2;
}
