#include "install/driver_record.h"

std::size_t DependentBlockSize(const std::vector<std::string>& files) {
    std::size_t size = 1;  // the closing NUL
    for (const std::string& file : files) size += file.size() + 1;
    return size;
}

std::optional<plat::DriverInfo3> ReceiptDriverRecord(const ReceiptModel& model,
                                                     const std::string& environment,
                                                     const std::string& driverDirectory, bool nt4) {
    plat::DriverInfo3 record;
    record.version = nt4 ? 2 : 3;
    record.name = model.displayName;
    record.environment = environment;
    record.driverPath = driverDirectory + "\\uniDRV.DLL";
    record.dataFile = driverDirectory + "\\" + model.key + ".GPD";
    record.configFile = driverDirectory + "\\uniDRVui.DLL";
    record.helpFile = driverDirectory + "\\uniDRV.HLP";
    // The spooler finds these beside the driver; the entries keep their
    // leading backslash and their case.
    record.dependentFiles = {"\\ttfsub.GPD", "\\unires.DLL", "\\stdnames.GPD"};
    if (model.usesOemPlugin) {
        record.dependentFiles.push_back("\\VOEMUNI.ini");
        record.dependentFiles.push_back("\\VOEMUNI.dll");
    }
    record.dependentFiles.push_back(std::string(model.modelDll) + ".DLL");
    record.monitorName = "";
    record.defaultDataType = "RAW";

    for (const std::string* path :
         {&record.driverPath, &record.dataFile, &record.configFile, &record.helpFile}) {
        if (path->size() >= kDriverPathSize) return std::nullopt;
    }
    if (DependentBlockSize(record.dependentFiles) > kDependentListSize) return std::nullopt;
    return record;
}
