#pragma once

#include <QProcess>
#include <QQuickWidget>
#include <QSettings>
#include <QVariant>

class Hid_Thread;

// Hosts the QML scene and is the bridge ("ui_View") through which the scene reaches native code.
class myQQuickView : public QQuickWidget
{
    Q_OBJECT
public:
    explicit myQQuickView(QWidget* parent = nullptr);
    ~myQQuickView() override;

    bool suspendDeviceCheck = false;
    bool closeToTray = false;
    unsigned int currentProfile = 0;
    Hid_Thread* deviceLink = nullptr;
    QSettings* appSettings = nullptr;
    QSettings* profileSettings = nullptr;
    QProcess* updateProcess = nullptr;

signals:
    void updateFinished(bool bSuccess);
    void updateProgram(uint value);
    void pairFinished();

public slots:
    void clearHidBusy();
    void initUI();
    void setUiLayout(int layouttype, double scale);
    void syncFwData(uchar byte0, uchar byte1, uchar byte2, uchar byte3);

protected:
    void focusInEvent(QFocusEvent* event) override;
};
