import QtQuick 2.12

// A picture held only while it is on screen: pages and panels out of view cost no memory, and a
// start decodes only what the first page shows. While the window waits in the tray none is held.
Image {
    property url picture
    // visible is the effective visibility: a hidden page hides its pictures too.
    source: visible && !main.picturesReleased ? picture : ""
}
