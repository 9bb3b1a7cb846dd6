// drav: the dispatch office program. The data folder is the current folder;
// "--data DIR" changes into DIR before anything else.
#include <QApplication>
#include <QMainWindow>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--data") == 0 && ::chdir(argv[i + 1]) != 0) {
            std::fprintf(stderr, "drav: cannot use the data folder %s\n", argv[i + 1]);
            return 2;
        }
    }
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("DRAV - Marvesto"));
    window.showMaximized();
    return app.exec();
}
