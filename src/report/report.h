// A banded report: its bands, its data source, the per-field print hooks, and the generation of its pages.
#pragma once

#include "report_elements.h"

#include <QMarginsF>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace report {

// Rows of text fields that the detail band prints, one band per row.
class DataSource {
public:
    virtual ~DataSource() = default;
    virtual int rowCount() const = 0;
    virtual QString fieldText(int row, const QString& field) const = 0;
};

// A field's printed text and, when it shows a number, that number.
struct FieldValue {
    FieldValue() = default;
    FieldValue(QString printed) : text(std::move(printed)) {} // NOLINT: plain texts convert
    FieldValue(QString printed, ShownNumber shown) : text(std::move(printed)), number(std::move(shown)) {}

    QString text;
    std::optional<ShownNumber> number;
};

// Turns a field's stored text into its printed value; may change other elements too.
using FieldHook = std::function<FieldValue(const QString& value)>;

// The report: a page header (on every page), a title band (once, on the first page), a
// detail band per data row, a sub-detail band and a summary band (once each, after the
// rows; skipped when nothing on them is enabled), and a page footer held at the bottom of
// every page. A4 portrait with 10 mm
// margins unless told otherwise. A band never breaks across pages: one that does not fit
// in what is left above the footer starts a new page.
class Report {
public:
    Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    Band& addBand(const QString& name, BandKind kind, double heightMm);
    Band* band(const QString& name) const;
    Band* band(BandKind kind) const;
    Element* element(const QString& name) const;

    void setPageSizeMm(QSizeF size) { pageSize_ = size; }
    QSizeF pageSizeMm() const { return pageSize_; }
    void setMarginsMm(QMarginsF margins) { margins_ = margins; }
    QMarginsF marginsMm() const { return margins_; }
    double contentWidthMm() const { return pageSize_.width() - margins_.left() - margins_.right(); }

    void setDataSource(const DataSource* source) { source_ = source; }
    const DataSource* dataSource() const { return source_; }

    // Hooks run for every detail row, field by field in the declared order; fields of bound
    // labels that the order does not name run afterwards in band order.
    void setFieldOrder(const QStringList& fields) { fieldOrder_ = fields; }
    void setFieldHook(const QString& field, FieldHook hook) { hooks_[field] = std::move(hook); }
    // Runs at the start of every generation (each preview rebuild, each print).
    void setBeforeGenerate(std::function<void()> hook) { beforeGenerate_ = std::move(hook); }

    Document generate();

private:
    class Generator;
    QStringList evaluationOrder(const Band& detail) const;
    void fillDetailRow(const Band& detail, const QStringList& order, int row);

    std::vector<std::unique_ptr<Band>> bands_;
    QSizeF pageSize_{210.0, 297.0};
    QMarginsF margins_{10.0, 10.0, 10.0, 10.0};
    const DataSource* source_ = nullptr;
    QStringList fieldOrder_;
    std::map<QString, FieldHook> hooks_;
    std::function<void()> beforeGenerate_;
};

} // namespace report
