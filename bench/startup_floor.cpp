// The floor for the tool's start-up: a bare window of the tool's size holding one line edit
// with text, so it loads the fonts as the tool must. Reports like the tool does.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QWidget window;
    window.setFixedSize(761, 593);
    QLineEdit edit(QStringLiteral("DESIGNATION "), &window);
    edit.setGeometry(112, 160, 97, 19);
    window.show();
    QTimer::singleShot(0, &window, [&] {
        std::fprintf(stderr, "shown after %lld ms\n", static_cast<long long>(sinceStart.elapsed()));
        window.close();
    });
    return app.exec();
}
