import QtQuick 2.12

// Ordinary label text of a page.
Text {
    color: main.baseColor
    font.family: main.fontFamily
    font.pixelSize: main.fontNormalSize
}
