// The print preview window of a report: Qt's preview dialog zoomed to the page width, with saving as PDF and HTML.
#include "report_preview.h"

#include "report_output.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStandardPaths>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace report {
namespace {

ReportPreviewDialog::PathChooser& pathChooser()
{
    static ReportPreviewDialog::PathChooser chooser;
    return chooser;
}

QString safeFileName(const QString& title)
{
    QString name = title;
    static const QString forbidden = u"/\\:*?\"<>|"_s;
    for (QChar& c : name)
        if (forbidden.contains(c) || c.unicode() < 32)
            c = u'_';
    return name.trimmed().isEmpty() ? u"izpis"_s : name.trimmed();
}

} // namespace

ReportPreviewDialog::ReportPreviewDialog(Generator generator, QString documentTitle, QWidget* parent)
    : QPrintPreviewDialog(parent), generate_(std::move(generator)), title_(std::move(documentTitle))
{
    setWindowTitle(title_);
    resize(1024, 768);
    setWindowState(Qt::WindowNoState);
    connect(this, &QPrintPreviewDialog::paintRequested, this, &ReportPreviewDialog::paintPages);

    savePdf_ = new QAction(u"Shrani kot PDF"_s, this);
    savePdf_->setObjectName(u"savePdfAction"_s);
    connect(savePdf_, &QAction::triggered, this, &ReportPreviewDialog::savePdf);
    saveHtml_ = new QAction(u"Shrani kot HTML"_s, this);
    saveHtml_->setObjectName(u"saveHtmlAction"_s);
    connect(saveHtml_, &QAction::triggered, this, &ReportPreviewDialog::saveHtml);
    if (auto* toolBar = findChild<QToolBar*>()) {
        toolBar->addSeparator();
        toolBar->addAction(savePdf_);
        toolBar->addAction(saveHtml_);
    } else {
        addAction(savePdf_);
        addAction(saveHtml_);
    }
}

void ReportPreviewDialog::setPathChooser(PathChooser chooser) { pathChooser() = std::move(chooser); }

QPrintPreviewWidget* ReportPreviewDialog::previewWidget() const { return findChild<QPrintPreviewWidget*>(); }

void ReportPreviewDialog::setVisible(bool visible)
{
    QPrintPreviewDialog::setVisible(visible);
    if (!visible)
        return;
    // The dialog picks its own zoom when it is first shown; the page width is wanted.
    if (auto* fitWidth = findChild<QAction*>(u"fitWidthAction"_s))
        fitWidth->trigger();
    else if (QPrintPreviewWidget* preview = previewWidget())
        preview->fitToWidth();
}

void ReportPreviewDialog::paintPages(QPrinter* printer)
{
    if (!PrintDocument(*printer, generate_()))
        fail(u"Tiskalnika ni bilo mogoče odpreti za tisk."_s);
}

QString ReportPreviewDialog::askPath(const QString& caption, const QString& extension, const QString& filter)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(safeFileName(title_) + extension);
    if (pathChooser())
        return pathChooser()(this, caption, suggested, filter);
    return QFileDialog::getSaveFileName(this, caption, suggested, filter);
}

void ReportPreviewDialog::savePdf()
{
    const QString path = askPath(u"Shrani kot PDF"_s, u".pdf"_s, u"PDF (*.pdf)"_s);
    if (path.isEmpty())
        return;
    QString error;
    if (!WritePdf(generate_(), path, &error))
        fail(error);
}

void ReportPreviewDialog::saveHtml()
{
    const QString path = askPath(u"Shrani kot HTML"_s, u".html"_s, u"HTML (*.html *.htm)"_s);
    if (path.isEmpty())
        return;
    QString error;
    if (!WriteHtml(generate_(), path, title_, &error))
        fail(error);
}

void ReportPreviewDialog::fail(const QString& message)
{
    if (reportFailure_)
        reportFailure_(message);
    else
        QMessageBox::critical(this, u"Napaka"_s, message);
}

} // namespace report
