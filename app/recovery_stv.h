#pragma once
// A recovery copy of unsaved parts in the user's data folder, offered back after a crash or kill.
#include <functional>

#include <QObject>
#include <QString>
#include <QTimer>

class QAbstractItemModel;
class QWidget;

struct recovery_hooks {
    std::function<bool()> modified;                  // the parts list has unsaved changes
    std::function<bool(const QString& file)> save;   // writes the parts as a list file (may throw)
    std::function<bool(const QString& file)> restore;  // reads them back into the grid
};

class TPartsRecovery : public QObject {
    Q_OBJECT
public:
    // How often, at most, the copy is written while the parts keep changing.
    static constexpr int kIntervalMs = 3000;

    TPartsRecovery(QWidget* window, const QString& data_directory, QAbstractItemModel* parts, recovery_hooks hooks);

    QString CopyFile() const { return copy_file_; }
    // Asks whether to restore a copy left by a process that ended without saving; declined, it goes.
    void OfferRestore();
    // Writes the copy when the parts changed since, removes it when nothing is unsaved.
    void Update();
    // A normal end: the user has answered for the parts, no copy stays.
    void Discard();

private:
    QWidget* window_;
    QString copy_file_;
    recovery_hooks hooks_;
    QTimer timer_;
    bool changed_ = false;
};
