// The styled message dialog: its controls, the filling for each kind, the buttons and the modal call.
#include "message_dialog.h"

#include "accessibility.h"
#include "button_colors.h"
#include "key_preview.h"
#include "message_boxes.h"
#include "ordavo_fonts.h"
#include "ordavo_pictures.h"
#include "widget_colours.h"
#include "window_owner.h"
#include "xp_button.h"

#include "data/transport_guards.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>

using namespace Qt::StringLiterals;
using ButtonColors::ColorFromBgr;

namespace {

const QColor kWhite = ColorFromBgr(16777215);
const QColor kDetailsBackground = ColorFromBgr(12088329);

struct KindLook {
    QString title;
    MessageIcon icon;
};

KindLook LookOfKind(int kind)
{
    switch (kind) {
    case mdError:
        return {u"Napaka"_s, MessageIcon::Error};
    case mdWarning:
        return {u"Opozorilo"_s, MessageIcon::Warning};
    case mdConfirmation:
        return {u"Potrditev"_s, MessageIcon::Question};
    default:
        return {u"Informacija"_s, MessageIcon::Information};
    }
}

Qt::Alignment MessageAlignment(int alignment)
{
    switch (alignment) {
    case maLeft:
        return Qt::AlignLeft | Qt::AlignTop;
    case maRight:
        return Qt::AlignRight | Qt::AlignTop;
    default:
        return Qt::AlignHCenter | Qt::AlignTop;
    }
}

QPointer<TfrmOrdavoDIalog>& DialogInstance()
{
    static QPointer<TfrmOrdavoDIalog> dialog;
    return dialog;
}

} // namespace

TfrmOrdavoDIalog::TfrmOrdavoDIalog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"frmOrdavoDIalog"_s);
    setWindowTitle(u"ORDAVO"_s);
    setFixedSize(400, 251);
    setFont(PointFont(kMsSansSerif, 8));

    BackImage = new QLabel(this);
    BackImage->setObjectName(u"BackImage"_s);
    BackImage->setGeometry(0, 0, 400, 251);
    BackImage->setAlignment(Qt::AlignCenter);

    BigText = new QLabel(this);
    BigText->setObjectName(u"BigText"_s);
    BigText->setGeometry(139, 48, 246, 30);
    BigText->setAlignment(Qt::AlignCenter);
    BigText->setFont(PixelFont(kTahoma, 21, true));
    BigText->setTextFormat(Qt::PlainText);

    FrontText = new QLabel(this);
    FrontText->setObjectName(u"FrontText"_s);
    FrontText->setGeometry(112, 88, 285, 105);
    FrontText->setWordWrap(true);
    FrontText->setFont(PixelFont(kTahoma, 13, true));
    FrontText->setTextFormat(Qt::PlainText);
    // The background only sets the mood; the title says the kind.
    DescribePicture(BackImage, QString());
    ReadAsAlert(this, BigText, FrontText);

    sb1 = makeButton(u"sb1"_s, QRect(144, 210, 120, 32));
    sb3 = makeButton(u"sb3"_s, QRect(272, 210, 120, 32));
    sb2 = makeButton(u"sb2"_s, QRect(272, 210, 120, 32));
    connect(sb1, &QAbstractButton::clicked, this, &TfrmOrdavoDIalog::sb1Click);
    connect(sb2, &QAbstractButton::clicked, this, &TfrmOrdavoDIalog::sb2Click);
    connect(sb3, &QAbstractButton::clicked, this, &TfrmOrdavoDIalog::sb3Click);

    gbDetails = new QGroupBox(u" DETAJLI "_s, this);
    gbDetails->setObjectName(u"gbDetails"_s);
    gbDetails->setGeometry(0, 95, 401, 105);
    gbDetails->setAutoFillBackground(true);
    QPalette detailsPalette = gbDetails->palette();
    detailsPalette.setColor(QPalette::Window, kDetailsBackground);
    detailsPalette.setColor(QPalette::WindowText, kWhite);
    gbDetails->setPalette(detailsPalette);
    gbDetails->setFont(PointFont(kVerdana, 8, true));

    MemoBox = new QPlainTextEdit(gbDetails);
    MemoBox->setObjectName(u"MemoBox"_s);
    MemoBox->setGeometry(2, 16, 397, 87);
    MemoBox->setReadOnly(true);
    MemoBox->setFont(PointFont(kMsSansSerif, 8, true));
    QPalette memoPalette = MemoBox->palette();
    memoPalette.setColor(QPalette::Base, Qt::white);
    memoPalette.setColor(QPalette::Text, Qt::black);
    MemoBox->setPalette(memoPalette);
    MemoBox->setAccessibleName(u"Detajli"_s);

    setTabOrder(sb1, sb3);
    setTabOrder(sb3, sb2);
    setTabOrder(sb2, MemoBox);

    new KeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
    FormCreate();
}

TXpButton* TfrmOrdavoDIalog::makeButton(const QString& name, const QRect& place)
{
    auto* button = new TXpButton(this);
    button->setObjectName(name);
    button->setGeometry(place);
    button->setAutoDefault(true);
    button->setFont(PointFont(kMsSansSerif, 8));
    button->setFontColor(kWhite);
    button->setClrStartColor(ColorFromBgr(11891720));
    button->setClrEndColor(ColorFromBgr(6766849));
    button->setClrDownColor(ColorFromBgr(8802816));
    button->setClrBorderColor(ColorFromBgr(15247949));
    button->setDisabledBorderColor(ColorFromBgr(12240841));
    button->setPictureTop(0);
    button->setPictureLeft(-2);
    button->hide();
    return button;
}

void TfrmOrdavoDIalog::FormCreate()
{
    gbDetails->move(0, 95);
    gbDetails->hide();
    ImageError = OrdavoPictures::PicturePixmap(OrdavoPictures::DialogError);
    ImageWarning = OrdavoPictures::PicturePixmap(OrdavoPictures::DialogWarning);
    ImageInfo = OrdavoPictures::PicturePixmap(OrdavoPictures::DialogInfo);
    ImageResponse = OrdavoPictures::PicturePixmap(OrdavoPictures::DialogConfirm);
}

void TfrmOrdavoDIalog::fill(int kind, const QString& text, const QString& details, int alignment)
{
    details_.clear();
    detailsOn_ = false;
    gbDetails->hide();
    sb1->hide();
    sb2->hide();
    sb3->hide();

    switch (kind) {
    case mdError:
        BackImage->setPixmap(ImageError);
        break;
    case mdWarning:
        BackImage->setPixmap(ImageWarning);
        break;
    case mdConfirmation:
        BackImage->setPixmap(ImageResponse);
        break;
    default:
        BackImage->setPixmap(ImageInfo);
        break;
    }

    BigText->setText(LookOfKind(kind).title);
    SetTextColour(BigText, kWhite);
    SetTextColour(FrontText, kWhite);
    if (kind == mdError) {
        if (!details.isEmpty()) {
            details_ = details;
            sb1->setText(u"&V redu"_s);
            sb2->setText(u"&Detajli"_s);
            sb1->show();
            sb2->show();
        } else {
            sb3->setText(u"&V redu"_s);
            sb3->show();
        }
    } else if (kind == mdWarning) {
        sb1->setText(u"&Nadaljuj"_s);
        sb2->setText(u"&Prekini"_s);
        sb1->show();
        sb2->show();
    } else if (kind == mdConfirmation) {
        sb1->setText(u"&DA"_s);
        sb2->setText(u"&NE"_s);
        sb1->show();
        sb2->show();
    } else {
        sb3->setText(u"&V redu"_s);
        sb3->show();
    }

    FrontText->setAlignment(MessageAlignment(alignment));
    QString message = text;
    message.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    FrontText->setText(message);

    // The first shown button takes the focus, so Enter presses it.
    for (TXpButton* button : {sb1, sb3}) {
        if (!button->isHidden()) {
            button->setFocus();
            button->setActiveDefault(true);
            break;
        }
    }
    // A call while the dialog is on screen changes what it says: say it again.
    if (isVisible())
        AnnounceAlert(this);
}

ShownMessage TfrmOrdavoDIalog::describe(int kind, const QString& details, int alignment) const
{
    ShownMessage message;
    message.box = ShownMessage::Box::Dialog;
    message.kind = kind;
    message.icon = LookOfKind(kind).icon;
    message.title = BigText->text();
    message.text = FrontText->text();
    message.details = details;
    message.alignment = alignment;
    for (const TXpButton* button : {sb1, sb3, sb2}) {
        if (!button->isHidden())
            message.captions.append(button->text());
    }
    return message;
}

void TfrmOrdavoDIalog::reject()
{
    done(mdrClosed);
}

bool TfrmOrdavoDIalog::FormKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return false;
    done(mdrClosed);
    return true;
}

void TfrmOrdavoDIalog::sb1Click()
{
    done(mdrFirst);
}

void TfrmOrdavoDIalog::sb3Click()
{
    done(mdrSecond);
}

void TfrmOrdavoDIalog::sb2Click()
{
    if (details_.isEmpty()) {
        done(mdrSecond);
        return;
    }
    if (!detailsOn_) {
        MemoBox->clear();
        MemoBox->setPlainText(DetailsForDisplay(details_));
        gbDetails->show();
        gbDetails->raise();
        detailsOn_ = true;
    } else {
        gbDetails->hide();
        detailsOn_ = false;
    }
}

QString DetailsForDisplay(const QString& details)
{
    if (details.size() <= TfrmOrdavoDIalog::kDetailsShown)
        return details;
    qsizetype shown = TfrmOrdavoDIalog::kDetailsShown;
    if (details.at(shown - 1).isHighSurrogate())
        --shown;
    const qsizetype leftOut = details.size() - shown;
    return details.left(shown) + u"\n\n[… izpuščenih je še "_s + QString::number(leftOut) + u" znakov]"_s;
}

TfrmOrdavoDIalog* OrdavoDialog()
{
    QPointer<TfrmOrdavoDIalog>& dialog = DialogInstance();
    if (!dialog)
        dialog = new TfrmOrdavoDIalog();
    return dialog;
}

int ShowMessageDialog(int kind, const QString& shownText, const QString& shownDetails, int alignment)
{
    // Neither the text nor the details ever show the workshop's access code.
    const QString text = HideAccessCodes(shownText);
    const QString details = HideAccessCodes(shownDetails);
    TfrmOrdavoDIalog* dialog = OrdavoDialog();
    dialog->fill(kind, text, details, alignment);
    ShownMessage message = dialog->describe(kind, details, alignment);
    if (dialog->isVisible()) {
        message.result = mdrRefilled;
        DialogTestHook::recordShown(message);
        return mdrRefilled;
    }
    if (DialogTestHook::isActive())
        return DialogTestHook::answer(message, mdrClosed);

    CentreOnOwnerWindow(dialog);
    StackOverRaisingWindow(dialog);
    message.result = dialog->exec();
    DialogTestHook::recordShown(message);
    return message.result;
}
