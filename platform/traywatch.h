#pragma once

#include <QObject>

// Follows whether the desktop offers a system tray: trays come and go with the desktop's panels.
// The platform reports each change, so an idle program is never woken up to look.
class TrayWatch : public QObject
{
    Q_OBJECT
public:
    explicit TrayWatch(QObject* parent = nullptr);
    ~TrayWatch() override;

    bool available() const;

signals:
    void availabilityChanged(bool available);

private:
    struct Private;
    Private* d;
};
