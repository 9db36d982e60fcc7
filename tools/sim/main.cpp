// tavo-sim: simulated TAVO 707 devices for tests and demos.
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::fprintf(stderr, "tavo-sim: not yet implemented\n");
    return 2;
}
