#include "app/recovery_stv.h"

#include <exception>

#include <QAbstractItemModel>
#include <QWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/ui_prompts.h"
#include "i18n/recovery_texts.h"

TPartsRecovery::TPartsRecovery(QWidget* window, const QString& data_directory, QAbstractItemModel* parts,
                               recovery_hooks hooks)
    : QObject(window), window_(window), hooks_(std::move(hooks))
{
    if (data_directory.isEmpty()) return;
    copy_file_ = QDir(data_directory).filePath(QStringLiteral("unsaved-parts.xml"));
    auto note = [this] { changed_ = true; };
    connect(parts, &QAbstractItemModel::dataChanged, this, note);
    connect(parts, &QAbstractItemModel::rowsInserted, this, note);
    connect(parts, &QAbstractItemModel::rowsRemoved, this, note);
    connect(parts, &QAbstractItemModel::modelReset, this, note);
    connect(&timer_, &QTimer::timeout, this, &TPartsRecovery::Update);
    timer_.start(kIntervalMs);
}

void TPartsRecovery::OfferRestore()
{
    if (copy_file_.isEmpty() || !QFileInfo::exists(copy_file_)) return;
    if (Confirm(window_, QString::fromStdWString(std::wstring(RecoveryText(recovery_text::RestoreOffer)))) &&
        hooks_.restore(copy_file_)) {
        changed_ = true;
        return;
    }
    QFile::remove(copy_file_);
}

void TPartsRecovery::Update()
{
    if (copy_file_.isEmpty()) return;
    if (!hooks_.modified()) {
        if (QFileInfo::exists(copy_file_)) QFile::remove(copy_file_);
        changed_ = false;
        return;
    }
    if (!changed_) return;
    // A cell that does not read yet (a half-typed quantity) leaves the last copy in place.
    try {
        QDir().mkpath(QFileInfo(copy_file_).absolutePath());
        if (hooks_.save(copy_file_)) changed_ = false;
    } catch (const std::exception&) {
    }
}

void TPartsRecovery::Discard()
{
    timer_.stop();
    if (!copy_file_.isEmpty()) QFile::remove(copy_file_);
}
