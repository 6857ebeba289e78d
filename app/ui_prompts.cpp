#include "app/ui_prompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

QString Title() { return QApplication::applicationDisplayName(); }

QString RunFileDialog(QWidget* parent, const file_prompt& prompt, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, prompt.caption, prompt.directory, prompt.filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(prompt.default_suffix);
    if (!prompt.confirm_overwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!prompt.file_name.isEmpty()) dialog.selectFile(prompt.file_name);
    // A name typed without an extension gets the one of the filter chosen last.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const int star = filter.indexOf(QLatin1String("*."));
        if (star < 0) return;
        const QString rest = filter.mid(star + 2);
        const int end = rest.indexOf(QRegularExpression(QStringLiteral("[ );]")));
        dialog.setDefaultSuffix(end < 0 ? rest : rest.left(end));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    if (prompt.selected_filter) *prompt.selected_filter = dialog.selectedNameFilter();
    return dialog.selectedFiles().first();
}

ui_prompts RealPrompts()
{
    ui_prompts p;
    p.inform = [](QWidget* parent, const QString& text) {
        QMessageBox::information(parent, Title(), text);
    };
    p.confirm = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, Title(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes)
               == QMessageBox::Yes;
    };
    p.open_file = [](QWidget* parent, const file_prompt& prompt) {
        return RunFileDialog(parent, prompt, QFileDialog::AcceptOpen);
    };
    p.save_file = [](QWidget* parent, const file_prompt& prompt) {
        return RunFileDialog(parent, prompt, QFileDialog::AcceptSave);
    };
    p.run_modal = [](QDialog& dialog) { return dialog.exec(); };
    p.choose_font = [](QWidget* parent, const QFont& initial) -> std::optional<QFont> {
        bool ok = false;
        QFont font = QFontDialog::getFont(&ok, initial, parent);
        if (!ok) return std::nullopt;
        return font;
    };
    p.open_url = [](const QUrl& address) { QDesktopServices::openUrl(address); };
    return p;
}

}  // namespace

ui_prompts& Prompts()
{
    static ui_prompts prompts = RealPrompts();
    return prompts;
}

void ResetPrompts() { Prompts() = RealPrompts(); }
