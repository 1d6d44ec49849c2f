import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The signed-in parent's first screen: the account's devices, the way to add
// one, and the account menu.
Page {
    id: root
    objectName: "devicesListView"

    required property AuthViewModel authVM
    // Lives as long as this screen; the add-device sheet works on it too.
    readonly property DevicesViewModel vm: DevicesViewModel {}

    // Moves every row's online state and age on without a reload.
    property int clockTick: 0
    property bool shownBefore: false
    // The sheet on screen, if any; a new one is built for every opening.
    property AddDeviceView sheet: null

    title: "Devices"
    background: Rectangle { color: Theme.background }

    function load() {
        vm.startLoadDevices()
    }

    function openAddDevice() {
        // A closed sheet may live on until its create has answered.
        if (sheet && sheet.visible)
            return
        sheet = addDeviceSheet.createObject(root, { vm: root.vm })
        sheet.open()
    }

    function selectRow(index) {
        const device = vm.devices[index]
        deviceList.currentIndex = device ? index : -1
        deviceList.currentId = device ? device.id : ""
    }

    function restoreCurrentRow() {
        const id = deviceList.currentId
        deviceList.currentIndex = vm.devices.findIndex(function (device) { return device.id === id })
    }

    function openDevice(index) {
        const device = vm.devices[index]
        if (!device)
            return
        selectRow(index)
        root.StackView.view.push(detailPage && detailPage.status === Component.Ready ? detailPage : Qt.resolvedUrl("DeviceDetailView.qml"),
                                 { deviceId: device.id, initialTitle: device.name })
    }

    function deleteRow(index) {
        vm.deleteAt([index])
    }

    Component.onCompleted: {
        load()
        deviceList.forceActiveFocus()
    }
    // Shown anew after the detail screen was popped: fetch again. The stack
    // also activates its first item once it is built, which the load above covers.
    StackView.onActivated: {
        if (shownBefore)
            load()
        shownBefore = true
        deviceList.forceActiveFocus()
    }

    // A new list resets the view's current row; put it back on the same device,
    // or on none when that device is gone.
    Connections {
        target: root.vm
        function onDevicesChanged() {
            Qt.callLater(root.restoreCurrentRow)
        }
    }

    Component {
        id: addDeviceSheet
        AddDeviceView {
            // Also runs while the screen itself is being torn down.
            onClosed: if (deviceList) deviceList.forceActiveFocus()
        }
    }

    // The detail screen compiles on the loader thread once the list has
    // loaded, so neither the start nor the first open waits for it.
    property Component detailPage: null
    Connections {
        target: root.vm
        enabled: root.detailPage === null
        function onIsLoadingChanged() {
            if (!root.vm.isLoading)
                root.detailPage = Qt.createComponent("DeviceDetailView.qml", Component.Asynchronous)
        }
    }

    Timer {
        objectName: "clockTimer"
        interval: 30000
        repeat: true
        running: true
        onTriggered: root.clockTick++
    }

    Shortcut {
        sequences: [StandardKey.Refresh, "Ctrl+R"]
        enabled: root.StackView.status === StackView.Active && !(root.sheet && root.sheet.visible)
        onActivated: root.load()
    }

    header: ToolBar {
        implicitHeight: 48
        background: Rectangle {
            color: Theme.background
            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: Theme.separator
            }
        }
        RowLayout {
            anchors.fill: parent
            anchors.leftMargin: 8
            anchors.rightMargin: 8
            spacing: 2

            IconButton {
                id: accountButton
                objectName: "accountMenuButton"
                symbol: "person.circle"
                tint: Theme.primary
                Accessible.name: "Account"
                onClicked: accountMenu.opened ? accountMenu.close() : accountMenu.open()

                Menu {
                    id: accountMenu
                    objectName: "accountMenu"
                    y: accountButton.height + 2
                    readonly property bool hasUser: root.authVM.user !== undefined

                    // Disabled items read as plain text; hidden ones take no room.
                    MenuItem {
                        objectName: "userNameItem"
                        visible: accountMenu.hasUser
                        height: visible ? implicitHeight : 0
                        enabled: false
                        text: accountMenu.hasUser ? root.authVM.user.name : ""
                    }
                    MenuItem {
                        objectName: "userEmailItem"
                        visible: accountMenu.hasUser
                        height: visible ? implicitHeight : 0
                        enabled: false
                        text: accountMenu.hasUser ? root.authVM.user.email : ""
                    }
                    MenuSeparator {
                        objectName: "accountSeparator"
                        visible: accountMenu.hasUser
                        height: visible ? implicitHeight : 0
                    }
                    MenuItem {
                        id: signOutItem
                        objectName: "signOutItem"
                        text: "Sign Out"
                        Accessible.name: "Sign Out"
                        contentItem: Text {
                            leftPadding: signOutItem.leftPadding
                            text: signOutItem.text
                            font: Theme.body
                            color: Theme.red
                            verticalAlignment: Text.AlignVCenter
                        }
                        onTriggered: root.authVM.logout()
                    }
                }
            }

            Label {
                objectName: "listTitle"
                Layout.fillWidth: true
                text: root.title
                font: Theme.headline
                color: Theme.primary
                horizontalAlignment: Text.AlignHCenter
            }

            IconButton {
                objectName: "refreshButton"
                symbol: "arrow.clockwise"
                Accessible.name: "Refresh"
                onClicked: root.load()
            }
            IconButton {
                objectName: "addDeviceButton"
                symbol: "plus"
                Accessible.name: "Add Device"
                onClicked: root.openAddDevice()
            }
        }
    }

    // The devices as one grouped card that grows with its rows.
    Rectangle {
        id: card
        objectName: "deviceCard"
        anchors.top: parent.top
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.margins: Theme.padding
        height: Math.min(deviceList.contentHeight + deviceList.topMargin + deviceList.bottomMargin,
                         parent.height - 2 * Theme.padding)
        visible: deviceList.count > 0
        radius: Theme.cardRadius - 4
        color: Theme.material
        border.color: Theme.separator
        border.width: Theme.dark ? 0 : 0.5

        ListView {
            id: deviceList
            objectName: "deviceList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            focus: true
            keyNavigationEnabled: false
            boundsBehavior: Flickable.StopAtBounds
            model: root.vm.devices
            currentIndex: -1
            topMargin: 3
            bottomMargin: 3
            // The id of the row the parent last chose; a reload keeps it current.
            property string currentId: ""
            Accessible.role: Accessible.List
            Accessible.name: "Devices"
            ScrollBar.vertical: ScrollBar {}

            Keys.onUpPressed: root.selectRow(Math.max(0, currentIndex - 1))
            Keys.onDownPressed: root.selectRow(Math.min(count - 1, currentIndex + 1))
            Keys.onDeletePressed: {
                if (currentIndex >= 0)
                    root.deleteRow(currentIndex)
            }
            Keys.onReturnPressed: root.openDevice(currentIndex)
            Keys.onEnterPressed: root.openDevice(currentIndex)

            delegate: ItemDelegate {
                id: rowItem
                required property var modelData
                required property int index
                objectName: "deviceRow_" + modelData.id
                width: ListView.view.width
                topPadding: 8
                bottomPadding: 8
                leftPadding: 14
                rightPadding: 14
                focusPolicy: Qt.NoFocus
                Accessible.role: Accessible.ListItem
                Accessible.name: modelData.name + ", " + modelData.childName

                contentItem: DeviceRow {
                    device: rowItem.modelData
                    clockTick: root.clockTick
                }

                background: Item {
                    Rectangle {
                        readonly property bool current: rowItem.ListView.isCurrentItem && deviceList.activeFocus
                        anchors.fill: parent
                        anchors.leftMargin: 5
                        anchors.rightMargin: 5
                        anchors.topMargin: 2
                        anchors.bottomMargin: 2
                        radius: 8
                        color: rowItem.down ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.22)
                             : current ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.14)
                             : rowItem.hovered ? Qt.rgba(Theme.primary.r, Theme.primary.g, Theme.primary.b, 0.05)
                             : "transparent"
                    }
                    Rectangle {
                        visible: rowItem.index < deviceList.count - 1
                        anchors.bottom: parent.bottom
                        anchors.left: parent.left
                        anchors.leftMargin: 14
                        anchors.right: parent.right
                        anchors.rightMargin: 14
                        height: 1
                        color: Theme.separator
                    }
                }

                onClicked: {
                    deviceList.forceActiveFocus()
                    root.openDevice(index)
                }

                TapHandler {
                    acceptedButtons: Qt.RightButton
                    onTapped: function (point) {
                        root.selectRow(rowItem.index)
                        deviceList.forceActiveFocus()
                        rowMenu.rowIndex = rowItem.index
                        rowMenu.popup(rowItem, point.position.x, point.position.y)
                    }
                }
            }
        }
    }

    ErrorBanner {
        vm: root.vm
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: Theme.padding
        z: 10
    }

    Menu {
        id: rowMenu
        objectName: "rowMenu"
        property int rowIndex: -1
        MenuItem {
            objectName: "deleteRowItem"
            text: "Delete"
            Accessible.name: "Delete"
            onTriggered: root.deleteRow(rowMenu.rowIndex)
        }
    }

    // No devices once the first load has ended.
    ColumnLayout {
        objectName: "emptyState"
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * Theme.padding, 320)
        visible: root.vm.showsEmptyState
        spacing: 10

        SymbolImage {
            Layout.alignment: Qt.AlignHCenter
            name: "desktopcomputer"
            size: 56
            color: Theme.secondary
        }
        Label {
            Layout.alignment: Qt.AlignHCenter
            text: "No Devices"
            font: Theme.title2
            color: Theme.primary
        }
        Label {
            Layout.fillWidth: true
            text: "Add your child's Mac to start monitoring"
            font: Theme.body
            color: Theme.secondary
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
        }
        ProminentButton {
            objectName: "emptyAddDeviceButton"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            implicitWidth: implicitContentWidth + 32
            text: "Add Device"
            onClicked: root.openAddDevice()
        }
    }
}
