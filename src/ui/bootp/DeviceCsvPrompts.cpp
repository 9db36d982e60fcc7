#include "DeviceCsvPrompts.h"

#include "BootpTexts.h"
#include "DeviceImport.h"
#include "common/TablePrompts.h"
#include "common/AppContext.h"
#include "common/Prompts.h"

namespace tavo {

bool importDevicesFromCsv(AppContext& context) {
    const QString path = context.prompts.openFile(csvtexts::kImportCaption, csvtexts::kFilter);
    if (path.isEmpty()) return false;
    const DeviceImportResult result = importDeviceCsvFile(context.dataDir.toStdString(), path.toStdString(), {},
                                                          tableMessagesTo(context.prompts));
    switch (result.status) {
    case DeviceImportStatus::Imported:
    case DeviceImportStatus::Checked:
        context.prompts.message(csvtexts::imported(result), csvtexts::kCaptionDone);
        break;
    case DeviceImportStatus::Refused:
        context.prompts.message(csvtexts::refused(path, result), csvtexts::kCaptionError);
        break;
    case DeviceImportStatus::FileUnreadable:
        context.prompts.message(csvtexts::fileUnreadable(path, result.reason), csvtexts::kCaptionError);
        break;
    case DeviceImportStatus::FileTooLarge:
        context.prompts.message(csvtexts::fileTooLarge(path), csvtexts::kCaptionError);
        break;
    case DeviceImportStatus::TableUnreadable:
    case DeviceImportStatus::NotSaved: break;  // the table showed its message
    }
    return result.changed();
}

void exportDevicesToCsv(AppContext& context) {
    const QString path = context.prompts.saveFile(csvtexts::kExportCaption, csvtexts::kFilter);
    if (path.isEmpty()) return;
    const DeviceExportResult result =
        exportDeviceCsvFile(context.dataDir.toStdString(), path.toStdString(), tableMessagesTo(context.prompts));
    if (result.status == DeviceExportStatus::Exported)
        context.prompts.message(csvtexts::exported(result.count, path), csvtexts::kCaptionDone);
    else if (result.status == DeviceExportStatus::NotWritten)
        context.prompts.message(csvtexts::fileNotWritten(path, result.reason), csvtexts::kCaptionError);
}

}  // namespace tavo
