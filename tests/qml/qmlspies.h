#pragma once

#include <QObject>
#include <QQmlError>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

// Records every call with its arguments and answers with results the test sets beforehand.
class CallLog : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE QVariantList calls(const QString& name) const;
    Q_INVOKABLE QStringList names() const;
    Q_INVOKABLE void setResult(const QString& name, const QVariant& value);
    Q_INVOKABLE void reset();

protected:
    QVariant record(const QString& name, const QVariantList& args);

private:
    QList<QPair<QString, QVariantList>> log;
    QVariantMap results;
};

// Stand-in for "hid".
class HidSpy : public CallLog
{
    Q_OBJECT
public:
    using CallLog::CallLog;
    Q_INVOKABLE QVariant hid_GetDeviceStrCount();
    // Recorded and taken, as a device in order takes it.
    Q_INVOKABLE bool hid_Send8ByteData(int table, int startAddr, int length, int byte0, int byte1,
                                       int byte2, int byte3);
};

// Stand-in for "ui_View". initDeviceOnline answers entry i of its result list; firmwareFolder
// answers "fw/<device>/<name>/", firmwareFolderReady, openWinMouseSetting and setOtherProperty
// true unless results are set.
class ViewSpy : public CallLog
{
    Q_OBJECT
public:
    using CallLog::CallLog;

signals:
    void updateFinished(bool bSuccess);
    void updateProgram(uint value);
    void pairFinished();
    void settingsNotSaved();
    void settingsSetAside(QString keptAs);

public slots:
    void startFwUpdateEvent(QString path);
    QString firmwareFolder(QString strID, QString name);
    bool firmwareFolderReady(QString folder);
    QVariantList syncFwData_Table0();
    QVariantList syncFwData_Table1();
    bool saveAppDataList(QVariant key, QVariantList tmpdatalist, QVariant mode);
    QVariantList getAppDataList(QVariant key);
    bool connectCurrentDevice(QString strID, int mId, int dId);
    bool openWinMouseSetting();
    QVariant getOtherProperty(QString key, QVariant args, QVariant strID);
    bool setOtherProperty(QVariant macroIndex, QVariant args, bool fromKeySave);
    QVariantList initDeviceOnline(int i);
    bool startPairOnLine(QString strID, int dId);
};

// Stand-in for "ui_Ctl". getLangStrings answers "<section>/<i>" texts unless a result is set; a
// tray is there unless a test says otherwise.
class CtlSpy : public CallLog
{
    Q_OBJECT
    Q_PROPERTY(bool trayAvailable MEMBER tray NOTIFY trayAvailableChanged)
    Q_PROPERTY(QString programVersion MEMBER version CONSTANT)
public:
    using CallLog::CallLog;

private:
    bool tray = true;
    QString version = QStringLiteral("9.8.7");

signals:
    void trayAvailableChanged();
    void evtHidKeyboardKey(QVariant u8HidKey, QVariant bKeyDown);
    void evtRelativeMouseButton(QVariant u8ButtonId, QVariant bKeyDown, QVariant axisX,
                                QVariant axisY);
    void evtMouseWheel(QVariant nWheelDelta, QVariant bHorizontal);

public slots:
    void moveWindow();
    void setMoveWindow();
    void onHideWindow();
    void onCloseWindow();
    void showSyncFail();
    void showUpdateSuccess(bool result);
    void showPairSuccess(bool result);
    void msgbox(QString title, QString msg, bool bIsError);
    bool msgboxKey();
    QStringList getLangStrings(QString typeStr, QString langCode);
};

// Reads the shipped language files the way the program does (INI, UTF-8).
class LangFiles : public QObject
{
    Q_OBJECT
public:
    explicit LangFiles(const QString& dir, QObject* parent = nullptr) : QObject(parent), dir(dir) {}
    // Every key of a section with its text, or an empty map when the file or section is missing.
    Q_INVOKABLE QVariantMap section(const QString& code, const QString& name) const;

private:
    QString dir;
};

// Collects the warnings the scene prints, so every test can insist on none.
class WarningLog : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void addErrors(const QList<QQmlError>& errors);
    Q_INVOKABLE QStringList take();

private:
    QStringList lines;
};
