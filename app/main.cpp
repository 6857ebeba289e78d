#include <exception>

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "app/mainform_stv.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brennick"));
    QApplication::setApplicationName(QStringLiteral("Stavora"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stavora"));
    QApplication::setApplicationVersion(QStringLiteral("2.1.1.2"));
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
