// The standard system message box every window uses, and the test hook that answers and records boxes.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

enum class MessageIcon { None, Error, Warning, Information, Question };
enum class MessageButtons { Ok, OkCancel, YesNo };

// Results of the system box, with the same numbers as the message dialog's results.
enum MessageResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// Shows a modal system message box (plain text, centred on and kept over the window it was
// raised from, see WindowRaisingABox) and returns the
// button pressed as a MessageResult. Closing the box without a button gives mrOk for an OK box,
// mrCancel for OK/Cancel and mrNo for Yes/No.
int ShowSystemMessage(MessageIcon icon, const QString& title, const QString& text,
                      MessageButtons buttons = MessageButtons::Ok);

// One box as the user would have seen it.
struct ShownMessage {
    enum class Box { System, Dialog };
    Box box = Box::System;
    MessageIcon icon = MessageIcon::None; // system box; for the dialog the icon of its kind
    int kind = -1;                        // dialog: the kind as passed; system box: -1
    QString title;                        // system box: window title; dialog: the large title
    QString text;
    QString details;                             // dialog: the details as passed
    int alignment = 2;                           // dialog: the message alignment as passed
    MessageButtons buttons = MessageButtons::Ok; // system box
    QStringList captions;                        // the visible buttons' captions, in tab order
    int result = mrNone;                         // what the call returned
    bool answeredFromQueue = false;              // false: the hook's queue was empty, a default was returned
};

// Lets tests answer boxes without a person. While active, ShowSystemMessage and
// ShowMessageDialog record every box in shown() and return the next queued answer instead of
// waiting for a person (the message dialog is still filled, so its controls can be inspected,
// but not shown). With the queue empty they return the "closed" answer: 2 for the message
// dialog, and for a system box mrOk, mrCancel or mrNo by its buttons. A message dialog call
// that arrives while the real dialog is on screen still returns 0 and takes no answer.
class DialogTestHook {
public:
    static void activate();
    // Appends answers to the queue and activates the hook.
    static void setNextAnswers(std::initializer_list<int> answers);
    static void setNextAnswers(const QList<int>& answers);
    // Deactivates the hook and forgets the queue and the record.
    static void reset();

    static bool isActive();
    static QList<ShownMessage> shown();
    static ShownMessage lastShown();
    static int pendingAnswers();

    // For the box functions: record a box and take its answer (fallback when the queue is empty).
    static int answer(ShownMessage message, int fallback);
    // For the box functions: record a box shown for real, with its result.
    static void recordShown(ShownMessage message);
};
