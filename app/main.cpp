#include <exception>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>

#include "app/mainform_stv.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brennick"));
    QApplication::setApplicationName(QStringLiteral("Stavora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stavora"));
    QApplication::setApplicationVersion(QStringLiteral(STAVORA_VERSION));
    // The desktop matches the window with the launcher entry; the icon comes from the installed theme,
    // or from the program itself where it runs from its build folder.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brennick_software.Stavora"));
    QIcon fallback;
    for (int size : {16, 32, 48, 64, 128, 256})
        fallback.addFile(QStringLiteral(":/icons/stavora-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("com.brennick_software.Stavora"), fallback));
    try {
        Tf2D window;
        // The size to come back to from maximised, and the size where no window manager maximises.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) window.setGeometry(screen->availableGeometry());
        window.showMaximized();
        return QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Stavora"), QString::fromStdString(error.what()));
        return 1;
    }
}
