// The print preview window of a report: Qt's preview dialog zoomed to the page width, with saving as PDF, RTF, Excel
// and HTML.
#include "report_preview.h"

#include "report_output.h"
#include "report_rtf.h"
#include "report_xlsx.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
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

    addExportBar();
    savePdf_ = addSaveAction(u"savePdfAction"_s, u"Shrani kot PDF"_s, u".pdf"_s, u"PDF (*.pdf)"_s, WritePdf);
    saveRtf_ = addSaveAction(u"saveRtfAction"_s, u"Shrani kot RTF"_s, u".rtf"_s, u"RTF (*.rtf)"_s, WriteRtf);
    saveXlsx_ = addSaveAction(u"saveXlsxAction"_s, u"Shrani kot Excel"_s, u".xlsx"_s, u"Excel (*.xlsx)"_s,
                              [this](const Document& document, const QString& path, QString* error) {
                                  return WriteXlsx(document, path, sheetName_.isEmpty() ? title_ : sheetName_, error);
                              });
    saveHtml_ = addSaveAction(u"saveHtmlAction"_s, u"Shrani kot HTML"_s, u".html"_s, u"HTML (*.html *.htm)"_s,
                              [this](const Document& document, const QString& path, QString* error) {
                                  return WriteHtml(document, path, title_, error);
                              });
}

QAction* ReportPreviewDialog::addSaveAction(const QString& objectName, const QString& caption, const QString& extension,
                                            const QString& filter, Writer writer)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(objectName);
    connect(action, &QAction::triggered, this, [this, caption, extension, filter, writer = std::move(writer)] {
        const QString path = askPath(caption, extension, filter);
        if (path.isEmpty())
            return;
        QString error;
        if (!writer(generate_(), path, &error))
            fail(error);
    });
    exportBar_->addAction(action);
    return action;
}

// The exports get a row of their own under the dialog's tool bar: at the end of that bar they
// would hide behind its overflow arrow at the window's default width. The dialog keeps its bar
// in a main window of its own; without one the row goes on top of the dialog.
void ReportPreviewDialog::addExportBar()
{
    QToolBar* dialogBar = findChild<QToolBar*>();
    exportBar_ = new QToolBar(this);
    exportBar_->setObjectName(u"exportBar"_s);
    exportBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    exportBar_->setMovable(false);
    if (auto* barHost = qobject_cast<QMainWindow*>(dialogBar ? dialogBar->parentWidget() : nullptr)) {
        barHost->addToolBarBreak();
        barHost->addToolBar(exportBar_);
    } else if (auto* rows = qobject_cast<QBoxLayout*>(layout())) {
        rows->insertWidget(0, exportBar_);
    }
}

void ReportPreviewDialog::setPathChooser(PathChooser chooser)
{
    pathChooser() = std::move(chooser);
}

QPrintPreviewWidget* ReportPreviewDialog::previewWidget() const
{
    return findChild<QPrintPreviewWidget*>();
}

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
    // The user's documents folder when there is one, else home; never the working folder,
    // which for a program started from the menu is wherever the desktop happened to be.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(safeFileName(title_) + extension);
    if (pathChooser())
        return pathChooser()(this, caption, suggested, filter);
    return QFileDialog::getSaveFileName(this, caption, suggested, filter);
}

void ReportPreviewDialog::fail(const QString& message)
{
    if (reportFailure_)
        reportFailure_(message);
    else
        QMessageBox::critical(this, u"Napaka"_s, message);
}

} // namespace report
