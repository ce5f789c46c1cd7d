#include "frontend/macrostore.h"

#include "device/hid_thread.h"
#include "frontend/macroimage.h"
#include "frontend/myqquickview.h"

#include <QDebug>
#include <QJSValue>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <optional>

namespace
{

constexpr int kMacroCount = 10;
const QString kActions = QStringLiteral("Actions");

std::optional<int> macroIndexOf(const QVariant& value)
{
    bool ok = false;
    const double index = value.toDouble(&ok);
    if (!ok || index != std::floor(index) || index < 0 || index >= kMacroCount)
        return std::nullopt;
    return int(index);
}

// Scene objects may arrive still wrapped as script values.
QVariant plain(const QVariant& value)
{
    return value.userType() == qMetaTypeId<QJSValue>() ? value.value<QJSValue>().toVariant()
                                                       : value;
}

} // namespace

QString storedMacroKey(const QString& index)
{
    return QStringLiteral("Macro/") + index;
}

QVariantList storedMacroActions(const QSettings* profile, const QString& index)
{
    if (!profile)
        return {};
    const QString text = storedMacroText(*profile, index).toString();
    return QJsonDocument::fromJson(text.toUtf8())
        .object()
        .value(kActions)
        .toArray()
        .toVariantList();
}

QVariantList storedMacroList(const QSettings& profile)
{
    QVariantList macros;
    for (int i = 0; i < kMacroCount; ++i) {
        const QVariantList actions = storedMacroActions(&profile, QString::number(i));
        if (!actions.isEmpty())
            macros.append(QVariantMap{{QStringLiteral("number"), i + 1},
                                      {QStringLiteral("actions"), actions}});
    }
    return macros;
}

QVariant storedMacroText(const QSettings& profile, const QString& index)
{
    const QString key = storedMacroKey(index);
    if (!profile.contains(key))
        return QVariant();
    const QString text = profile.value(key).toString();
    if (text.size() > kStoredMacroMaxChars) {
        qDebug() << "stored macro" << index << "is damaged:" << text.size() << "characters";
        return QString(QLatin1String(""));
    }
    return text;
}

bool storeMacro(QSettings& profile, int index, QVariantMap macro)
{
    // The members come out sorted, which is the stored order "Actions", "MacroId", "Name".
    macro.insert(kActions, plain(macro.value(kActions)).toList());
    const QByteArray json =
        QJsonDocument(QJsonObject::fromVariantMap(macro)).toJson(QJsonDocument::Compact);
    profile.setValue(storedMacroKey(QString::number(index)), QString::fromUtf8(json));
    profile.sync();
    if (profile.status() == QSettings::NoError)
        return true;
    qDebug() << "macro" << index << "not stored in" << profile.fileName();
    return false;
}

bool uploadMacro(Hid_Thread& link, int index, const QVariantList& actions)
{
    std::optional<macroimage::Image> image = macroimage::fromActionList(actions);
    if (!image) {
        qDebug() << "macro" << index << "has no usable action list";
        return false;
    }
    return link.hid_04H_SendMacroData(quint8(index), quint32(image->length), image->bytes.data());
}

bool myQQuickView::setOtherProperty(QVariant macroIndex, QVariant args, bool fromKeySave)
{
    const std::optional<int> index = macroIndexOf(macroIndex);
    if (!index) {
        qDebug() << "no macro" << macroIndex;
        return false;
    }
    const QVariantMap macro = fromKeySave ? QVariantMap() : plain(args).toMap();
    const QVariantList actions = fromKeySave
                                     ? storedMacroActions(profileSettings, QString::number(*index))
                                     : plain(macro.value(kActions)).toList();
    // Nothing damaged is stored or sent: the stored macro and the mouse's copy stay as they were.
    if (!macroimage::fromActionList(actions)) {
        qDebug() << "macro" << *index << "has no usable action list";
        return false;
    }
    if (!fromKeySave && profileSettings)
        storeMacro(*profileSettings, *index, macro);
    return deviceLink && uploadMacro(*deviceLink, *index, actions);
}
