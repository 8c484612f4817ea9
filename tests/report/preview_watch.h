// Answers the report preview without a person: a test hands each preview that shows to a function of its own.
#pragma once

#include "report/report_preview.h"

#include <QApplication>
#include <QTimer>

#include <functional>

// While the watch lives it looks every 20 ms for a report preview as the active modal window
// and hands it to act, which is expected to close it (accept or reject). The timer is stopped
// while act runs, so an event loop that act starts does not hand it the same preview again.
class PreviewWatch {
public:
    explicit PreviewWatch(std::function<void(report::ReportPreviewDialog&)> act) : act_(std::move(act))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answerPreview(); });
        timer_.start(20);
    }
    PreviewWatch(const PreviewWatch&) = delete;
    PreviewWatch& operator=(const PreviewWatch&) = delete;

private:
    void answerPreview()
    {
        auto* dialog = qobject_cast<report::ReportPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer_.stop();
        act_(*dialog);
        timer_.start(20);
    }

    std::function<void(report::ReportPreviewDialog&)> act_;
    QTimer timer_;
};
