// Generation of a banded report into pages: band order, page breaks that keep bands whole, and the per-row field hooks.
#include "report.h"

namespace report {

// Places bands one below the other, opening pages as needed; every page gets the page
// header at its top and the page footer at its bottom.
class Report::Generator {
public:
    Generator(const Report& report, Document& document)
        : report_(report), document_(document), header_(report.band(BandKind::PageHeader)),
          footer_(report.band(BandKind::PageFooter))
    {
    }

    void place(const Band& band)
    {
        const double height = band.heightMm();
        if (!pageOpen_)
            openPage();
        else if (cursor_ + height > bodyBottom() + 1e-6 && !pageHoldsOnlyHeader())
            breakPage();
        band.draw(QPointF(left(), cursor_), page());
        document_.flow.push_back(band.describe());
        cursor_ += height;
        bodyPlaced_ = true;
        band.runAfterPrint();
    }

    void finish()
    {
        if (!pageOpen_)
            openPage();
        if (enabled(footer_))
            document_.flow.push_back(footer_->describe());
        closePage();
    }

private:
    double left() const { return report_.margins_.left(); }
    double top() const { return report_.margins_.top(); }
    double footerHeight() const { return enabled(footer_) ? footer_->heightMm() : 0.0; }
    double bodyBottom() const { return report_.pageSize_.height() - report_.margins_.bottom() - footerHeight(); }
    static bool enabled(const Band* band) { return band && band->enabled(); }
    Page& page() { return document_.pages.back(); }
    bool pageHoldsOnlyHeader() const { return !bodyPlaced_; }

    void openPage()
    {
        document_.pages.emplace_back();
        pageOpen_ = true;
        bodyPlaced_ = false;
        cursor_ = top();
        if (enabled(header_)) {
            header_->draw(QPointF(left(), cursor_), page());
            if (document_.pages.size() == 1)
                document_.flow.push_back(header_->describe());
            cursor_ += header_->heightMm();
            header_->runAfterPrint();
        }
    }

    void closePage()
    {
        if (enabled(footer_)) {
            footer_->draw(QPointF(left(), bodyBottom()), page());
            footer_->runAfterPrint();
        }
        pageOpen_ = false;
    }

    void breakPage()
    {
        closePage();
        openPage();
    }

    const Report& report_;
    Document& document_;
    const Band* header_;
    const Band* footer_;
    double cursor_ = 0.0;
    bool pageOpen_ = false;
    bool bodyPlaced_ = false;
};

Report::Report() = default;

Band& Report::addBand(const QString& name, BandKind kind, double heightMm)
{
    bands_.push_back(std::make_unique<Band>(name, kind, heightMm));
    return *bands_.back();
}

Band* Report::band(const QString& name) const
{
    for (const auto& band : bands_)
        if (band->name() == name)
            return band.get();
    return nullptr;
}

Band* Report::band(BandKind kind) const
{
    for (const auto& band : bands_)
        if (band->kind() == kind)
            return band.get();
    return nullptr;
}

Element* Report::element(const QString& name) const
{
    for (const auto& band : bands_)
        if (Element* found = band->element(name))
            return found;
    return nullptr;
}

QStringList Report::evaluationOrder(const Band& detail) const
{
    QStringList order = fieldOrder_;
    for (const auto& element : detail.elements())
        if (const auto* label = dynamic_cast<const Label*>(element.get()))
            if (!label->field().isEmpty() && !order.contains(label->field()))
                order.append(label->field());
    return order;
}

void Report::fillDetailRow(const Band& detail, const QStringList& order, int row)
{
    for (const QString& field : order) {
        const QString stored = source_->fieldText(row, field);
        const auto hook = hooks_.find(field);
        const FieldValue printed = hook != hooks_.end() && hook->second ? hook->second(stored) : FieldValue(stored);
        for (const auto& element : detail.elements())
            if (auto* label = dynamic_cast<Label*>(element.get()); label && label->field() == field) {
                label->setText(printed.text);
                label->setNumber(printed.number);
            }
    }
}

Document Report::generate()
{
    if (beforeGenerate_)
        beforeGenerate_();
    Document document;
    document.pageSizeMm = pageSize_;
    Generator generator(*this, document);

    // A once-only band with nothing enabled on it takes no space (and so opens no page).
    const auto placeWhenEnabled = [&generator](const Band* band) {
        if (band && band->enabled() && band->hasEnabledElements())
            generator.place(*band);
    };
    placeWhenEnabled(band(BandKind::Title));
    if (const Band* detail = band(BandKind::Detail); detail && detail->enabled() && source_) {
        const QStringList order = evaluationOrder(*detail);
        for (int row = 0; row < source_->rowCount(); ++row) {
            fillDetailRow(*detail, order, row);
            generator.place(*detail);
        }
    }
    placeWhenEnabled(band(BandKind::SubDetail));
    placeWhenEnabled(band(BandKind::Summary));
    generator.finish();
    return document;
}

} // namespace report
