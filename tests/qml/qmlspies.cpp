#include "qmlspies.h"

#include <QFile>
#include <QSettings>

QVariantList CallLog::calls(const QString& name) const
{
    QVariantList out;
    for (const auto& c : log) {
        if (c.first == name)
            out.append(QVariant(c.second));
    }
    return out;
}

QStringList CallLog::names() const
{
    QStringList out;
    for (const auto& c : log)
        out.append(c.first);
    return out;
}

void CallLog::setResult(const QString& name, const QVariant& value)
{
    results.insert(name, value);
}

void CallLog::reset()
{
    log.clear();
    results.clear();
}

QVariant CallLog::record(const QString& name, const QVariantList& args)
{
    log.append({name, args});
    return results.value(name);
}

QVariant HidSpy::hid_GetDeviceStrCount()
{
    return record("hid_GetDeviceStrCount", {}).toInt();
}

bool HidSpy::hid_Send8ByteData(int table, int startAddr, int length, int byte0, int byte1,
                               int byte2, int byte3)
{
    record("hid_Send8ByteData", {table, startAddr, length, byte0, byte1, byte2, byte3});
    return true;
}

void ViewSpy::startFwUpdateEvent(QString path)
{
    record("startFwUpdateEvent", {path});
}

QString ViewSpy::firmwareFolder(QString strID, QString name)
{
    const QVariant r = record("firmwareFolder", {strID, name});
    return r.isValid() ? r.toString() : QStringLiteral("fw/%1/%2/").arg(strID, name);
}

bool ViewSpy::firmwareFolderReady(QString folder)
{
    const QVariant r = record("firmwareFolderReady", {folder});
    return r.isValid() ? r.toBool() : true;
}

QVariantList ViewSpy::syncFwData_Table0()
{
    QVariantList t = record("syncFwData_Table0", {}).toList();
    while (t.size() < 64)
        t.append(0);
    return t;
}

QVariantList ViewSpy::syncFwData_Table1()
{
    QVariantList t = record("syncFwData_Table1", {}).toList();
    while (t.size() < 128)
        t.append(0);
    return t;
}

bool ViewSpy::saveAppDataList(QVariant key, QVariantList tmpdatalist, QVariant mode)
{
    QVariant r = record("saveAppDataList", {key, QVariant(tmpdatalist), mode});
    return r.isValid() ? r.toBool() : true;
}

QVariantList ViewSpy::getAppDataList(QVariant key)
{
    return record("getAppDataList", {key}).toList();
}

bool ViewSpy::connectCurrentDevice(QString strID, int mId, int dId)
{
    return record("connectCurrentDevice", {strID, mId, dId}).toBool();
}

bool ViewSpy::openWinMouseSetting()
{
    const QVariant r = record("openWinMouseSetting", {});
    return r.isValid() ? r.toBool() : true;
}

QVariant ViewSpy::getOtherProperty(QString key, QVariant args, QVariant strID)
{
    return record("getOtherProperty", {key, args, strID});
}

bool ViewSpy::setOtherProperty(QVariant macroIndex, QVariant args, bool fromKeySave)
{
    const QVariant r = record("setOtherProperty", {macroIndex, args, fromKeySave});
    return r.isValid() ? r.toBool() : true;
}

QVariantList ViewSpy::initDeviceOnline(int i)
{
    const QVariantList all = record("initDeviceOnline", {i}).toList();
    return i >= 0 && i < all.size() ? all.at(i).toList() : QVariantList{};
}

bool ViewSpy::startPairOnLine(QString strID, int dId)
{
    return record("startPairOnLine", {strID, dId}).toBool();
}

void CtlSpy::moveWindow()
{
    record("moveWindow", {});
}

void CtlSpy::setMoveWindow()
{
    record("setMoveWindow", {});
}

void CtlSpy::onHideWindow()
{
    record("onHideWindow", {});
}

void CtlSpy::onCloseWindow()
{
    record("onCloseWindow", {});
}

void CtlSpy::showSyncFail()
{
    record("showSyncFail", {});
}

void CtlSpy::showUpdateSuccess(bool result)
{
    record("showUpdateSuccess", {result});
}

void CtlSpy::showPairSuccess(bool result)
{
    record("showPairSuccess", {result});
}

void CtlSpy::msgbox(QString title, QString msg, bool bIsError)
{
    record("msgbox", {title, msg, bIsError});
}

bool CtlSpy::msgboxKey()
{
    return record("msgboxKey", {}).toBool();
}

QStringList CtlSpy::getLangStrings(QString typeStr, QString langCode)
{
    QVariant r = record("getLangStrings", {typeStr, langCode});
    if (r.isValid())
        return r.toStringList();
    // More texts than any section holds, so every index a page uses has its own text.
    QStringList out;
    for (int i = 0; i < 64; ++i)
        out.append(typeStr + "/" + QString::number(i));
    return out;
}

void WarningLog::addErrors(const QList<QQmlError>& errors)
{
    for (const QQmlError& e : errors) {
        // Pictures are drawn by the build; a test run without them is fine.
        if (!e.description().contains("Cannot open: file:modules/img/"))
            lines.append(e.toString());
    }
}

QStringList WarningLog::take()
{
    QStringList out = lines;
    lines.clear();
    return out;
}

QVariantMap LangFiles::section(const QString& code, const QString& name) const
{
    QVariantMap out;
    const QString path = dir + "/" + code + ".ini";
    if (!QFile::exists(path))
        return out;
    QSettings ini(path, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    ini.beginGroup(name);
    for (const QString& key : ini.childKeys())
        out.insert(key, ini.value(key));
    return out;
}
