// The print preview window of a report: Qt's preview dialog zoomed to the page width, with saving as PDF and HTML.
#pragma once

#include "report_page.h"

#include <QPrintPreviewDialog>

#include <functional>

class QAction;
class QPrintPreviewWidget;

namespace report {

// Shows the pages a generator makes; every repaint and every print from the window
// generates the report anew. The tool bar carries "Shrani kot PDF" and "Shrani kot HTML".
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

    QAction* savePdfAction() const { return savePdf_; }
    QAction* saveHtmlAction() const { return saveHtml_; }
    QPrintPreviewWidget* previewWidget() const;

    void setVisible(bool visible) override;

private:
    void paintPages(QPrinter* printer);
    void savePdf();
    void saveHtml();
    QString askPath(const QString& caption, const QString& extension, const QString& filter);
    void fail(const QString& message);

    Generator generate_;
    QString title_;
    QAction* savePdf_ = nullptr;
    QAction* saveHtml_ = nullptr;
    FailureReporter reportFailure_;
};

} // namespace report
