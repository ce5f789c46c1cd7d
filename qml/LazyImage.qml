import QtQuick 2.12

// A picture decoded only once it is first on screen: the pages and panels hidden at start cost
// neither memory nor start-up time until they are visited.
Image {
    property url picture
    property bool wasShown: false
    source: wasShown ? picture : ""
    // Fires for a parent's change too: visible is the effective visibility.
    onVisibleChanged: wasShown = wasShown || visible
    Component.onCompleted: wasShown = visible
}
