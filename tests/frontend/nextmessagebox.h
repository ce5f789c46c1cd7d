#pragma once

// Answers the program's modal message boxes from a test.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

// What a message box showed, recorded while it was open.
struct BoxSeen {
    bool shown = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title, text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    Qt::WindowFlags flags;
};

// Waits for the next modal message box, records it, then lets `respond` close it.
inline void handleNextBox(BoxSeen* seen, std::function<void(QMessageBox*)> respond)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        seen->shown = true;
        seen->icon = box->icon();
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->buttons = box->standardButtons();
        seen->defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton())
                                                   : QMessageBox::NoButton;
        seen->flags = box->windowFlags();
        respond(box);
    });
    poll->start();
}

inline void pressKey(QMessageBox* box, Qt::Key key)
{
    QTest::keyClick(box, key);
}
