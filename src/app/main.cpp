// Process start: the application object, its title, then the windows.
#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    return 0;
}
