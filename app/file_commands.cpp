#include "app/file_commands.h"

#include <algorithm>
#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QTableWidget>
#include <QUndoStack>

#include "app/Callbacks_stv.h"
#include "app/data_grid.h"
#include "app/grid_editing.h"
#include "app/list_file_open.h"
#include "app/locale_stv.h"
#include "app/ui_prompts.h"
#include "engine/stavora_2d.h"
#include "i18n/ui_texts.h"
#include "i18n/window_texts.h"

namespace {

QString Text(ui_text entry) { return ToQString(UiText(entry)); }
QString Text(window_text entry) { return ToQString(WindowText(entry)); }

bool IsListExtension(const QString& extension)
{
    return extension == QLatin1String("xml") || extension == QLatin1String("csv");
}

}  // namespace

void ThrowFileError(const QString& what, const QString& file_name)
{
    throw file_error((what + QStringLiteral("\n") + QDir::toNativeSeparators(file_name)).toStdString());
}

parts_file_commands::parts_file_commands(QWidget& window, stavora_2d& engine, const Callbacks_stv& callbacks,
                                         grid_editor& parts, QUndoStack& undo, std::function<void()> list_replaced,
                                         std::function<void()> state_changed)
    : window_(window), engine_(engine), callbacks_(callbacks), parts_(parts), undo_(undo),
      list_replaced_(std::move(list_replaced)), state_changed_(std::move(state_changed)),
      directory_(QDir::currentPath())
{
    // Undo and redo run after the step's own change report, so this has the last word.
    QObject::connect(&undo_, &QUndoStack::indexChanged, &window_, [this] { SetModified(PartsChangedSinceClean()); });
}

bool parts_file_commands::PartsChangedSinceClean() const
{
    const int clean = undo_.cleanIndex();
    if (clean < 0) return true;  // the saved state can no longer be reached
    const int now = undo_.index();
    for (int i = std::min(clean, now); i < std::max(clean, now); ++i) {
        const auto* step = dynamic_cast<const grid_edit_command*>(undo_.command(i));
        if (!step || &step->Grid() == &parts_.Grid()) return true;
    }
    return false;
}

void parts_file_commands::MarkUnmodified()
{
    parts_.CommitEditStep();
    undo_.setClean();
    SetModified(false);
}

void parts_file_commands::MarkChangedOutsideUndo()
{
    undo_.resetClean();
    SetModified(true);
}

void parts_file_commands::SetModified(bool modified)
{
    if (modified_ == modified) return;
    modified_ = modified;
    if (state_changed_) state_changed_();
}

void parts_file_commands::SetListName(const QString& name)
{
    list_name_ = name;
    if (state_changed_) state_changed_();
}

namespace {

// Undoing an Open or a Clear must give the list its former file back too: otherwise a Save would write
// the older rows over the file that was opened.
class list_names_step : public QUndoCommand {
public:
    using list_names = parts_file_commands::list_names;
    list_names_step(list_names before, list_names after, std::function<void(const list_names&)> apply,
                    QUndoCommand* grid_step)
        : QUndoCommand(grid_step), before_(std::move(before)), after_(std::move(after)), apply_(std::move(apply))
    {
    }
    void undo() override { apply_(before_); }
    void redo() override { apply_(after_); }

private:
    list_names before_;
    list_names after_;
    std::function<void(const list_names&)> apply_;
};

}  // namespace

void parts_file_commands::SetNames(const list_names& names)
{
    save_name_ = names.save_name;
    SetListName(names.list_name);
}

void parts_file_commands::KeepNamesWith(QUndoCommand* grid_step, const list_names& before)
{
    if (!grid_step) return;  // the rows did not change: the names of the file they came from hold
    new list_names_step(before, Names(), [this](const list_names& names) { SetNames(names); }, grid_step);
}

void parts_file_commands::OfferToSave()
{
    if (modified_ && Confirm(&window_, Text(ui_text::SaveParts))) Save();
}

QString parts_file_commands::AskSaveName()
{
    file_prompt prompt;
    prompt.directory = directory_;
    prompt.file_name = save_name_;
    prompt.filter = QStringLiteral("xml (*.xml);;comma separated (*.csv)");
    prompt.default_suffix = QStringLiteral("xml");
    QString name = Prompts().save_file(&window_, prompt);
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".xml");
    return name;
}

void parts_file_commands::Write(const QString& file_name)
{
    QString name = file_name;
    // A name of another format never gets a list written over it: the list goes beside it as XML.
    if (!IsListExtension(QFileInfo(name).suffix().toLower())) {
        name += QStringLiteral(".xml");
        Inform(&window_, Text(window_text::SavedAsXml) + QStringLiteral("\n") + QDir::toNativeSeparators(name));
    }
    const bool csv = QFileInfo(name).suffix().toLower() == QLatin1String("csv");
    const bool written = csv ? engine_.SavePartListCsv(ToPath(name), LocaleListSeparator(), callbacks_.GatherParts())
                             : engine_.SavePartListXml(ToPath(name), callbacks_.GatherParts());
    if (!written) ThrowFileError(Text(window_text::FileNotWritten), name);
    SetListName(name);
    MarkUnmodified();
}

void parts_file_commands::Save()
{
    if (save_name_.isEmpty()) {
        const QString name = AskSaveName();
        if (name.isEmpty()) return;
        save_name_ = name;
    }
    const QString name = save_name_;
    save_name_.clear();  // the next Save asks again
    Write(name);
}

void parts_file_commands::SaveAs()
{
    const QString name = AskSaveName();
    if (name.isEmpty()) return;
    save_name_ = IsListExtension(QFileInfo(name).suffix().toLower()) ? name : name + QStringLiteral(".xml");
    Write(name);
}

void parts_file_commands::Clear()
{
    OfferToSave();
    const list_names before = Names();
    QUndoCommand* step = parts_.RecordChange(Text(ui_text::ClearParts), [this] { callbacks_.clear_parts_grid(); });
    save_name_.clear();
    SetListName(QString());
    KeepNamesWith(step, before);
    MarkUnmodified();
    if (list_replaced_) list_replaced_();
}

void parts_file_commands::Open()
{
    OfferToSave();
    file_prompt prompt;
    prompt.directory = directory_;
    prompt.file_name = open_name_;
    prompt.filter = QStringLiteral("xml (*.xml);;comma separated (*.csv)");
    prompt.default_suffix = QStringLiteral("xml");
    const QString name = Prompts().open_file(&window_, prompt);
    if (name.isEmpty()) return;
    open_name_ = name;

    const list_names before = Names();
    list_open_outcome opened;
    QUndoCommand* step = parts_.RecordChange(Text(ui_text::Open), [&] {
        opened = OpenPartsListFile(engine_, name, LocaleListSeparator(), callbacks_.ClearPartsGrid(),
                                   callbacks_.ShowParts());
        EnsureRowCount(parts_.Grid(), kGridRowCount);
    });
    // A list that did not read completely changed nothing.
    if (!opened.refusal.isEmpty()) throw file_error(opened.refusal.toStdString());
    const bool read = opened.read;
    if (list_replaced_) list_replaced_();
    // A Save must not overwrite a file that could not be read with other parts.
    if (!read) ThrowFileError(Text(window_text::FileNotRead), name);
    save_name_ = name;
    SetListName(name);
    KeepNamesWith(step, before);
    MarkUnmodified();
}
