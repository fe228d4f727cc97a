// The reference for the start-up benchmark: the least a Qt Widgets program
// does to show a window (one empty widget), measured by the same tool under
// the same X server as the player, so that the player's figure can be read
// against what the toolkit itself costs on the machine.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget w;
    w.resize(349, 291);
    w.show();
    return app.exec();
}
