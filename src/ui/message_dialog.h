// TfrmOrdavoDIalog: the styled message dialog for remote failures and questions, and ShowMessageDialog.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QGroupBox;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class TXpButton;
struct ShownMessage;

// Kinds of the message dialog; any other value shows as information.
enum MessageDialogKind : int { mdError = 0, mdWarning = 1, mdInformation = 2, mdConfirmation = 3 };
// Alignment of the message.
enum MessageDialogAlignment : int { maLeft = 0, maRight = 1, maCenter = 2 };
// Results: 6 first button, 7 single or second button, 2 Esc or close box, 0 refilled while shown.
enum MessageDialogResult : int { mdrRefilled = 0, mdrClosed = 2, mdrFirst = 6, mdrSecond = 7 };

class TfrmOrdavoDIalog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmOrdavoDIalog)

public:
    explicit TfrmOrdavoDIalog(QWidget* parent = nullptr);

    // Resets the dialog and fills it for one call: picture, title, buttons, details, message.
    void fill(int kind, const QString& text, const QString& details, int alignment);

    // The dialog's content as a record of what the user sees.
    ShownMessage describe(int kind, const QString& details, int alignment) const;

    QString detailsText() const { return details_; }

    // How many characters of the details the details box shows at most.
    static constexpr qsizetype kDetailsShown = 10000;
    bool detailsShown() const { return detailsOn_; }

    // Esc and the close box end the dialog with result 2.
    void reject() override;

private:
    void FormCreate();
    bool FormKeyDown(QKeyEvent* event);
    void sb1Click();
    void sb2Click();
    void sb3Click();
    TXpButton* makeButton(const QString& name, const QRect& place);

    QLabel* BackImage = nullptr;
    QLabel* BigText = nullptr;
    QLabel* FrontText = nullptr;
    TXpButton* sb1 = nullptr;
    TXpButton* sb2 = nullptr;
    TXpButton* sb3 = nullptr;
    QGroupBox* gbDetails = nullptr;
    QPlainTextEdit* MemoBox = nullptr;
    QPixmap ImageError;
    QPixmap ImageWarning;
    QPixmap ImageInfo;
    QPixmap ImageResponse;
    QString details_;
    bool detailsOn_ = false;
};

// The one dialog window, created on first use and kept until the program ends.
TfrmOrdavoDIalog* OrdavoDialog();

// Fills the dialog and shows it modally; returns 6, 7 or 2 as pressed, or 0 at once when the
// dialog is already on screen (it then shows the new content and the earlier call keeps waiting).
// Details are offered only by kind 0. Answered by DialogTestHook while the hook is active.
int ShowMessageDialog(int kind, const QString& text, const QString& details = QString(), int alignment = maCenter);

// The text the details box shows: the details up to kDetailsShown characters (never splitting a
// character), then a line saying how many were left out. A failure text of megabytes would
// otherwise take the box minutes to lay out.
QString DetailsForDisplay(const QString& details);
