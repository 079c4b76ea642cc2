#include "install/driver_record.h"

std::size_t DependentBlockSize(const std::vector<std::string>& files) {
    std::size_t size = 1;  // the closing NUL
    for (const std::string& file : files) size += file.size() + 1;
    return size;
}

namespace {

// What both kinds of record share: the version by system, the name, the
// environment and the data type.
plat::DriverInfo3 NewRecord(const std::string& name, const std::string& environment, bool nt4) {
    plat::DriverInfo3 record;
    record.version = nt4 ? 2 : 3;
    record.name = name;
    record.environment = environment;
    record.defaultDataType = "RAW";
    return record;
}

// Whether the record's four paths and its dependent block fit buffers of
// these sizes.
bool FitsBuffers(const plat::DriverInfo3& record, std::size_t pathSize, std::size_t listSize) {
    for (const std::string* path :
         {&record.driverPath, &record.dataFile, &record.configFile, &record.helpFile}) {
        if (path->size() >= pathSize) return false;
    }
    return DependentBlockSize(record.dependentFiles) <= listSize;
}

}  // namespace

std::optional<plat::DriverInfo3> ReceiptDriverRecord(const ReceiptModel& model,
                                                     const std::string& environment,
                                                     const std::string& driverDirectory, bool nt4) {
    plat::DriverInfo3 record = NewRecord(model.displayName, environment, nt4);
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

    return FitsBuffers(record, kDriverPathSize, kDependentListSize) ? std::optional(record) : std::nullopt;
}

std::optional<plat::DriverInfo3> LabelDriverRecord(const LabelModel& model,
                                                   const char* const (&files)[30],
                                                   const std::string& environment,
                                                   const std::string& driverDirectory, bool nt4) {
    plat::DriverInfo3 record = NewRecord(model.displayName, environment, nt4);
    record.driverPath = driverDirectory + "\\" + files[1];
    record.dataFile = driverDirectory + "\\" + model.key + ".DAT";
    record.configFile = driverDirectory + "\\" + files[2];
    record.helpFile = driverDirectory + "\\VORELIN.chm";
    for (std::size_t i = 3; i < std::size(files); ++i) {
        record.dependentFiles.push_back(std::string("\\") + files[i]);
    }
    // The model's ".PP0" data is staged and removed like its ".BA0" and
    // ".DAT": named here too, so that the spooler keeps a copy of it.
    record.dependentFiles.push_back(std::string("\\") + model.key + ".BA0");
    record.dependentFiles.push_back(std::string("\\") + model.key + ".PP0");
    record.monitorName = kLanguageMonitor;

    return FitsBuffers(record, kLabelPathSize, kLabelDependentListSize) ? std::optional(record) : std::nullopt;
}
