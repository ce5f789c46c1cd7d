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

bool myQQuickView::setOtherProperty(QVariant macroIndex, QVariant args, bool fromKeySave)
{
    const std::optional<int> index = macroIndexOf(macroIndex);
    if (!index) {
        qDebug() << "no macro" << macroIndex;
        return false;
    }
    const QString indexText = QString::number(*index);

    QVariantMap macro = fromKeySave ? QVariantMap() : plain(args).toMap();
    const QVariantList actions = fromKeySave ? storedMacroActions(profileSettings, indexText)
                                             : plain(macro.value(kActions)).toList();
    std::optional<macroimage::Image> image = macroimage::fromActionList(actions);
    if (!image) {
        // Nothing damaged is stored or sent: the stored macro and the mouse's copy stay as they
        // were.
        qDebug() << "macro" << *index << "has no usable action list";
        return false;
    }

    if (!fromKeySave && profileSettings) {
        // The members come out sorted, which is the stored order "Actions", "MacroId", "Name".
        macro.insert(kActions, actions);
        const QByteArray json =
            QJsonDocument(QJsonObject::fromVariantMap(macro)).toJson(QJsonDocument::Compact);
        profileSettings->setValue(storedMacroKey(indexText), QString::fromUtf8(json));
        profileSettings->sync();
        if (profileSettings->status() != QSettings::NoError)
            qDebug() << "macro" << *index << "not stored in" << profileSettings->fileName();
    }

    if (!deviceLink)
        return false;
    return deviceLink->hid_04H_SendMacroData(quint8(*index), quint32(image->length),
                                             image->bytes.data());
}
