import QtQuick 2.12

// Heading of a page section.
Text {
    color: main.selectColor
    font.family: main.fontFamily
    font.pixelSize: main.fontTitleSize
    font.bold: true
}
