#pragma once

#include <QString>
#include <QVariantList>

// What the window keeps beside the devices and quillexctl shares with it: the current profile
// and the macros stored for each profile.
class AppData
{
public:
    // Settles the data folder as the window does; call with the program's folder current.
    AppData();

    // 0-based, as stored.
    int profile() const;
    bool setProfile(int profile);
    // [{ number, actions }] of the macros stored for `product`'s current profile, numbers 1-10.
    QVariantList storedMacros(const QString& product) const;
    bool storeMacro(const QString& product, int number, const QVariantList& actions) const;

private:
    QString profilePath(const QString& product) const;
};
