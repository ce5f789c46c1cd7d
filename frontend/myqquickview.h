#pragma once

#include <QQuickWidget>
#include <QSettings>
#include <QStringList>
#include <QVariant>

class Hid_Thread;
class UpdaterRun;

// Hosts the QML scene and is the bridge ("ui_View") through which the scene reaches native code.
// The slots are implemented by topic: bridge calls (myqquickview.cpp), data store
// (datastore.cpp), macro store and upload (macrostore.cpp), table reads and updater launch
// (firmwaresync.cpp), device selection and pairing (deviceselection.cpp), and OS integration
// (systemintegration.cpp).
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
    UpdaterRun* updater = nullptr;

    // Brings the update page to the front and says that the program closes once the update has
    // ended (an exit was asked for while the updater runs).
    void showUpdateUntilDone();
    // Hidden in the tray for hours: what the scene rebuilds on demand goes back to the system.
    void releaseCaches();

signals:
    void updateFinished(bool bSuccess);
    void updateProgram(uint value);
    void pairFinished();
    // Settings could not be written (no writable data folder); emitted once per run.
    void settingsNotSaved();
    // A settings file the app did not write was moved to `keptAs`; its settings start empty.
    void settingsSetAside(QString keptAs);
    // The view has painted its first frame on screen; emitted once.
    void firstFramePainted();
    // A valid table 0 was read; `level` is its battery byte as the device reports it.
    void batteryLevelRead(int level);

public slots:
    void clearHidBusy();
    void initUI();
    void setUiLayout(int layouttype, double scale);
    void syncFwData(uchar byte0, uchar byte1, uchar byte2, uchar byte3);
    void startFwUpdateEvent(QString path);
    QString firmwareFolder(QString strID, QString name);
    bool firmwareFolderReady(QString folder);
    QVariantList syncFwData_Table0();
    QVariantList syncFwData_Table1();
    bool saveAppDataList(QVariant key, QVariantList tmpdatalist, QVariant mode);
    QVariantList getAppDataList(QVariant key);
    bool startPair(bool bStart, QString strID, uchar dId);
    void runPair();
    bool connectCurrentDevice(QString strID, uchar mId, uchar dId);
    bool openWinMouseSetting();
    QVariant getOtherProperty(QString key, QVariant args, QVariant strID);
    // Stores macro `macroIndex` (0-9) from `args` and uploads it, or with fromKeySave uploads the
    // stored one without storing. True only when the mouse took the image.
    Q_INVOKABLE bool setOtherProperty(QVariant macroIndex, QVariant args, bool fromKeySave);
    QStringList initDeviceOnline(int i);
    bool startPairOnLine(QString strID, uchar dId);
    // Settings files (settingsexchange.cpp). The file the user picks in a save or open dialog
    // titled `caption`, listing `filterName` (*.json) files; empty when cancelled.
    QString chooseSettingsFile(bool forSaving, QString caption, QString filterName);
    // { text } of the file at `path`, or { error, reason }: error "missing", "notRegular",
    // "tooLarge", or "failed" with the system's reason.
    QVariantMap readSettingsFile(QString path);
    // Writes `text` as the whole file or leaves it as it was: {}, or { error, reason } as above.
    QVariantMap writeSettingsFile(QString path, QString text);
    // [{ number, actions }] stored for device `strID`'s current profile; that profile's file is
    // then the one setOtherProperty stores into.
    QVariantList storedMacros(QString strID);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Lets the scene's pictures go while the window waits in the tray, or brings them back.
    void setPicturesReleased(bool released);
    // Hands a device notification to the scene on the GUI thread.
    void deliverFwData(uchar byte0, uchar byte1, uchar byte2, uchar byte3);
    void reportIfUnsaved();
    // The path to open for settings file `path`; a file set aside is announced to the scene.
    QString openBoundedSettings(const QString& path, qint64 maxBytes);
    bool settingsFailureReported = false;
    bool firstFrameReported = false;
    // Points commands at catalog entry `index`; the listener follows only when the entry changes.
    void selectEntry(int index);
};
