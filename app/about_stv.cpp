#include "app/about_stv.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/ui_prompts.h"

namespace {

QString LinkText(const QString& target, const QString& text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), text.toHtmlEscaped());
}

}  // namespace

TfAbout::TfAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("Stavora"));
    setModal(true);
    setFixedSize(484, 365);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    lProductName = new QLabel(QStringLiteral("Stavora"), panel);
    lProductName->setObjectName(QStringLiteral("lProductName"));
    QFont big = lProductName->font();
    big.setPointSize(28);
    big.setBold(true);
    lProductName->setFont(big);
    lProductName->setAlignment(Qt::AlignCenter);

    lVersionCaption = new QLabel(QStringLiteral("Version"), panel);
    lVersionCaption->setObjectName(QStringLiteral("lVersionCaption"));
    lVersion = new QLabel(panel);
    lVersion->setObjectName(QStringLiteral("lVersion"));
    lEmailAddress = new QLabel(panel);
    lEmailAddress->setObjectName(QStringLiteral("lEmailAddress"));
    lWebPage = new QLabel(panel);
    lWebPage->setObjectName(QStringLiteral("lWebPage"));
    for (QLabel* link : {lEmailAddress, lWebPage}) {
        link->setTextFormat(Qt::RichText);
        link->setOpenExternalLinks(false);
        link->setCursor(Qt::PointingHandCursor);
        link->setAlignment(Qt::AlignCenter);
    }
    connect(lWebPage, &QLabel::linkActivated, this, &TfAbout::lWebPageClick);
    connect(lEmailAddress, &QLabel::linkActivated, this, &TfAbout::lEmailAddressClick);

    auto* version_row = new QHBoxLayout;
    version_row->addStretch(1);
    version_row->addWidget(lVersionCaption);
    version_row->addWidget(lVersion);
    version_row->addStretch(1);
    auto* panel_layout = new QVBoxLayout(panel);
    panel_layout->addStretch(1);
    panel_layout->addWidget(lProductName);
    panel_layout->addLayout(version_row);
    panel_layout->addSpacing(24);
    panel_layout->addWidget(lEmailAddress);
    panel_layout->addWidget(lWebPage);
    panel_layout->addStretch(1);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("Panel2"));
    bbOk = new QPushButton(tr("OK"), bottom);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom_layout = new QHBoxLayout(bottom);
    bottom_layout->addStretch(1);
    bottom_layout->addWidget(bbOk);
    bottom_layout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel, 1);
    layout->addWidget(bottom);
}

void TfAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QString email = QString::fromLatin1(kMakerEmailAddress);
    const QString web = QString::fromLatin1(kMakerWebPage);
    lEmailAddress->setText(LinkText(QStringLiteral("mailto:") + email, email));
    lWebPage->setText(LinkText(web, web));
}

void TfAbout::lWebPageClick() { Prompts().open_url(QUrl(QString::fromLatin1(kMakerWebPage))); }

void TfAbout::lEmailAddressClick()
{
    Prompts().open_url(QUrl(QStringLiteral("mailto:") + QString::fromLatin1(kMakerEmailAddress)));
}
