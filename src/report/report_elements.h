// The printable elements of a report band (labels, memos, rules, pictures) and the band that holds them.
#pragma once

#include "report_page.h"

#include <QPointF>
#include <QStringList>

#include <functional>
#include <memory>

namespace report {

// Something placed on a band at a position in millimetres from the band's top-left corner.
class Element {
public:
    explicit Element(QString name) : name_(std::move(name)) {}
    virtual ~Element() = default;
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    const QString& name() const { return name_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    // Top edge and height as laid out: memos grow with their text.
    virtual double topMm() const = 0;
    virtual double heightMm() const = 0;
    double bottomMm() const { return topMm() + heightMm(); }
    // How much taller than designed the element prints (memos only).
    virtual double growthMm() const { return 0.0; }
    // Appends the drawing of this element with the band's corner at originMm.
    virtual void draw(QPointF originMm, Page& page) const = 0;
    // Adds what this element prints to the band's content; shiftMm is how far it moved down.
    virtual void describe(double shiftMm, PrintedBand& band) const
    {
        Q_UNUSED(shiftMm);
        Q_UNUSED(band);
    }

private:
    QString name_;
    bool enabled_ = true;
};

// One line of text; x is its left edge, its right edge or its centre by alignment. With a
// wrap width the text breaks into lines that wide and the label grows downwards.
class Label final : public Element {
public:
    Label(QString name, QPointF posMm, QFont font, HAlign align = HAlign::Left);

    const QString& text() const { return text_; }
    void setText(const QString& text) { text_ = text; }
    // A label bound to a data field gets its text from the field of each detail row.
    const QString& field() const { return field_; }
    void setField(const QString& field) { field_ = field; }
    const QFont& font() const { return font_; }
    void setWrapWidth(double widthMm) { wrapWidth_ = widthMm; }
    // The number the text shows, if any; it travels with the text until the next setNumber.
    const std::optional<ShownNumber>& number() const { return number_; }
    void setNumber(std::optional<ShownNumber> number) { number_ = std::move(number); }

    double topMm() const override { return pos_.y(); }
    double heightMm() const override;
    double growthMm() const override;
    void draw(QPointF originMm, Page& page) const override;
    void describe(double shiftMm, PrintedBand& band) const override;

private:
    QPointF pos_;
    QFont font_;
    HAlign align_;
    QString text_;
    QString field_;
    std::optional<ShownNumber> number_;
    double wrapWidth_ = 0.0;
};

// Lines of text in a box of fixed width that grows downwards with its word-wrapped text,
// optionally inside a dotted frame.
class Memo final : public Element {
public:
    Memo(QString name, QRectF rectMm, QFont font, HAlign align = HAlign::Left);

    const QStringList& lines() const { return lines_; }
    void clear() { lines_.clear(); }
    void addLine(const QString& line) { lines_.append(line); }
    // Adds text that may hold line breaks as one line per break.
    void addText(const QString& text);
    void setFrame(bool frame, LineStyle style = LineStyle::Dotted);

    double topMm() const override { return rect_.top(); }
    double heightMm() const override;
    double growthMm() const override { return heightMm() - rect_.height(); }
    void draw(QPointF originMm, Page& page) const override;
    void describe(double shiftMm, PrintedBand& band) const override;

private:
    // Text keeps off a frame by this much; without a frame it reaches the box's edges.
    double padding() const { return frame_ ? 0.8 : 0.0; }
    QString joinedText() const { return lines_.join(u'\n'); }

    QRectF rect_;
    QFont font_;
    HAlign align_;
    QStringList lines_;
    bool frame_ = false;
    LineStyle frameStyle_ = LineStyle::Dotted;
};

// A horizontal line.
class Rule final : public Element {
public:
    Rule(QString name, QPointF posMm, double widthMm, QColor color = Qt::black, double thicknessMm = 0.2,
         LineStyle style = LineStyle::Solid);

    double topMm() const override { return pos_.y(); }
    double heightMm() const override { return thickness_; }
    void draw(QPointF originMm, Page& page) const override;
    void describe(double shiftMm, PrintedBand& band) const override;

private:
    QPointF pos_;
    double width_;
    QColor color_;
    double thickness_;
    LineStyle style_;
};

// A picture printed at the size its pixels have at its own resolution (96 dpi when the
// file names none). Without a picture nothing prints.
class Picture final : public Element {
public:
    Picture(QString name, QPointF posMm, QSizeF designSizeMm);

    // False (and no picture) when the file cannot be read as an image.
    bool load(const QString& filePath);
    void setImage(const QImage& image);
    void clear() { image_ = QImage(); }
    bool hasImage() const { return !image_.isNull(); }
    QSizeF sizeMm() const;

    double topMm() const override { return pos_.y(); }
    double heightMm() const override { return sizeMm().height(); }
    void draw(QPointF originMm, Page& page) const override;
    void describe(double shiftMm, PrintedBand& band) const override;

private:
    QPointF pos_;
    QSizeF designSize_;
    QImage image_;
};

// The size in millimetres of an image's pixels at its stored resolution, or at 96 dpi.
QSizeF ImageSizeMm(const QImage& image);

// A horizontal strip of the page with its elements. Elements that lie below a memo move
// down by as much as that memo grew, so a long text never runs over what follows it.
class Band {
public:
    Band(QString name, BandKind kind, double heightMm);
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;

    const QString& name() const { return name_; }
    BandKind kind() const { return kind_; }
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }

    template <typename T, typename... Args> T* add(Args&&... args)
    {
        auto element = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = element.get();
        elements_.push_back(std::move(element));
        return raw;
    }
    const std::vector<std::unique_ptr<Element>>& elements() const { return elements_; }
    Element* element(const QString& name) const;

    // Runs after the band has been placed on a page.
    void setAfterPrint(std::function<void()> hook) { afterPrint_ = std::move(hook); }
    void runAfterPrint() const
    {
        if (afterPrint_)
            afterPrint_();
    }

    // A shrinking band prints only as tall as its enabled elements reach, so disabled
    // elements at its foot free their space (a page footer that holds less this time).
    void setShrinkToContent(bool shrink) { shrink_ = shrink; }
    bool hasEnabledElements() const;

    // The printed height: the designed height, or more when enabled elements reach further.
    double heightMm() const;
    void draw(QPointF originMm, Page& page) const;
    // What the band prints as it stands now, for the outputs that keep structure.
    PrintedBand describe() const;

private:
    double shiftFor(const Element& element) const;

    QString name_;
    BandKind kind_;
    double height_;
    bool enabled_ = true;
    bool shrink_ = false;
    std::vector<std::unique_ptr<Element>> elements_;
    std::function<void()> afterPrint_;
};

} // namespace report
