#include "app/list_file_open.h"

#include <QDir>
#include <QFileInfo>

#include "app/locale_stv.h"
#include "i18n/list_file_texts.h"
#include "i18n/ui_texts.h"

namespace {

QString Text(list_file_text text)
{
    const std::wstring_view view = ListFileText(text);
    return QString::fromWCharArray(view.data(), static_cast<qsizetype>(view.size()));
}

QString Text(ui_text text) { return QString::fromStdWString(UiText(text)); }

// A CSV field by the grid column it fills; XML fields by their element names.
QString FieldName(const std::string& field, bool csv)
{
    if (csv) {
        if (field == "length") return Text(ui_text::Width);
        if (field == "width") return Text(ui_text::Height);
        if (field == "quantity") return Text(ui_text::Quantity);
        if (field == "grain") return Text(ui_text::Fiber);
    }
    return QString::fromStdString(field);
}

QString Problem(const list_file_issue& issue)
{
    switch (issue.kind) {
    case list_file_issue::size_missing: return Text(list_file_text::Missing);
    case list_file_issue::quantity_not_an_integer:
    case list_file_issue::grain_not_an_integer:
        return Text(list_file_text::NotAWholeNumber) + QStringLiteral(": ") + QString::fromStdString(issue.text);
    case list_file_issue::file_unreadable: return QString::fromStdString(issue.text);
    case list_file_issue::size_not_a_number: break;
    }
    return Text(list_file_text::NotANumber) + QStringLiteral(": ") + QString::fromStdString(issue.text);
}

constexpr size_t kIssuesShown = 5;

}  // namespace

QString ListFileIssueMessage(const QString& file_name, const std::vector<list_file_issue>& issues, bool csv)
{
    QString message = Text(list_file_text::FileNotOpened) + QStringLiteral("\n") + QDir::toNativeSeparators(file_name);
    const QString place = Text(csv ? list_file_text::Line : list_file_text::Row);
    for (size_t i = 0; i < issues.size() && i < kIssuesShown; ++i) {
        const list_file_issue& issue = issues[i];
        // The whole file (a folder, too large): no row to name.
        if (issue.row < 0) {
            message += QStringLiteral("\n") + Problem(issue);
            continue;
        }
        message += QStringLiteral("\n%1 %2, %3: %4")
                       .arg(place)
                       .arg(static_cast<qint64>(issue.row) + 1)
                       .arg(FieldName(issue.field, csv), Problem(issue));
    }
    if (issues.size() > kIssuesShown) message += QStringLiteral("\n…");
    return message;
}

list_open_outcome OpenPartsListFile(stavora_2d& engine, const QString& file_name, wchar_t list_separator,
                                    const clear_grid_fn& clear_parts_grid, const show_parts_fn& show_parts)
{
    const QString extension = QFileInfo(file_name).suffix().toLower();
    const std::filesystem::path path = ToPath(file_name);
    const bool csv = extension == QLatin1String("csv");
    std::vector<list_file_issue> issues;
    list_open_outcome outcome;
    if (csv)
        outcome.read = engine.OpenPartListCsv(path, list_separator, clear_parts_grid, show_parts, &issues);
    else if (extension == QLatin1String("xml"))
        outcome.read = engine.OpenPartListXml(path, clear_parts_grid, show_parts, &issues);
    if (!issues.empty()) outcome.refusal = ListFileIssueMessage(file_name, issues, csv);
    return outcome;
}
