// The print preview window of a report: Qt's preview dialog zoomed to the page width, with saving as PDF, RTF, Excel
// and HTML.
#pragma once

#include "report_page.h"

#include <QPrintPreviewDialog>

#include <functional>

class QAction;
class QToolBar;
class QPrintPreviewWidget;

namespace report {

// Shows the pages a generator makes; every repaint and every print from the window
// generates the report anew. A second tool bar under the dialog's own carries "Shrani kot PDF",
// "Shrani kot RTF", "Shrani kot Excel" and "Shrani kot HTML"; each saves one fresh generation.
class ReportPreviewDialog final : public QPrintPreviewDialog {
    Q_OBJECT
public:
    using Generator = std::function<Document()>;
    // Asks where to save; an empty answer cancels. Tests replace the file dialog with it.
    using PathChooser = std::function<QString(QWidget* parent, const QString& caption, const QString& suggestedPath,
                                              const QString& filter)>;
    using FailureReporter = std::function<void(const QString& message)>;

    ReportPreviewDialog(Generator generator, QString documentTitle, QWidget* parent = nullptr);

    static void setPathChooser(PathChooser chooser);
    void setFailureReporter(FailureReporter reporter) { reportFailure_ = std::move(reporter); }
    // The name of the Excel sheet (the document title when none is set).
    void setSheetName(const QString& name) { sheetName_ = name; }

    QAction* savePdfAction() const { return savePdf_; }
    QAction* saveRtfAction() const { return saveRtf_; }
    QAction* saveXlsxAction() const { return saveXlsx_; }
    QAction* saveHtmlAction() const { return saveHtml_; }
    QPrintPreviewWidget* previewWidget() const;

    void setVisible(bool visible) override;

private:
    // Writes a generated document to a file; false with *error set on failure.
    using Writer = std::function<bool(const Document& document, const QString& path, QString* error)>;

    void addExportBar();
    void paintPages(QPrinter* printer);
    QAction* addSaveAction(const QString& objectName, const QString& caption, const QString& extension,
                           const QString& filter, Writer writer);
    QString askPath(const QString& caption, const QString& extension, const QString& filter);
    void fail(const QString& message);

    Generator generate_;
    QString title_;
    QString sheetName_;
    QToolBar* exportBar_ = nullptr;
    QAction* savePdf_ = nullptr;
    QAction* saveRtf_ = nullptr;
    QAction* saveXlsx_ = nullptr;
    QAction* saveHtml_ = nullptr;
    FailureReporter reportFailure_;
};

} // namespace report
