import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Lumaro.State

// The last seven days against the daily limit, or "No data".
SectionCard {
    id: root

    required property DeviceDetailViewModel vm

    title: "This Week"

    CardContent {
        Label {
            objectName: "usageNoData"
            Layout.fillWidth: true
            visible: root.vm.usage.length === 0
            text: "No data"
            font: Theme.body
            color: Theme.secondary
            horizontalAlignment: Text.AlignHCenter
        }

        UsageChartView {
            objectName: "usageChart"
            Layout.fillWidth: true
            visible: root.vm.usage.length > 0
            usage: root.vm.usage
            // The policy's daily limit; 120 while no policy is loaded.
            limitMinutes: root.vm.limitMinutes
        }
    }
}
