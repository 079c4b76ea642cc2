// The installer dialog: the program's one window and its shared state.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/box_texts.h"
#include "app/controls.h"
#include "app/dialog.h"
#include "app/install_report.h"
#include "install/catalogue.h"
#include "dialogs/port_choice_codes.h"
#include "package/archiver_dll.h"
#include "platform/platform.h"
#include "resources/resource.h"
#include "serial/serial_channel.h"
#include "serial/serial_messages.h"

constexpr std::uintptr_t PROBE_TIMER_ID = 1;

// The two ways printer registration ends an installation.
enum class PrinterVariant { Receipt, Label };

class CInstallerDlg : public CDialog {
public:
    explicit CInstallerDlg(plat::Platform& platform);
    ~CInstallerDlg() override;

    // Start-up steps, also reachable on their own.
    void FillPortTypeList();
    void EnumeratePorts();
    int ListSerialPorts(std::vector<std::string>& list);
    bool ListInstalledPrinters(std::vector<std::string>& names, std::vector<std::string>& ports);
    void ReadDriverPackage();
    void FillDriverList();
    std::optional<int> FindDriverIndex(const std::string& text);
    void OnSelchangeDriver();
    int GetWindowsVersionCode();
    void DetectSystem();
    void RestartService(const char* serviceName, plat::RestartMode mode);

    // The Install command and the installations it runs.
    void OnInstall();
    void InstallReceiptPrinter();
    void InstallLabelPrinter();
    // Step 1 of both installations: the parallel or TCP/IP port the user
    // picks. False when there is none to use (the button is usable again).
    bool ChoosePortForPrinter();
    void RegisterPrinter(const std::string& printerName, const std::string& driverName,
                         PrinterVariant variant);

    // Ports: choice, assignment and detection.
    int SelectParallelPort();
    int SelectTcpipPort();
    // EnumeratePorts, with the user's port kind still selected afterwards.
    void RefreshPortLists();
    void AssignPrinterPort(const char* printerName, std::string port);
    // Moves the printer the installation created to the USB port it is
    // connected to.
    void DetectUsbPort();
    // After the printer exists on the first serial port: confirms the only
    // port, or asks whether to search and starts the probe.
    void ConfigureSerialPort();

    // The dialog's handlers.
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    bool OnMessage(std::uint32_t msg, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t* result) override;
    void OnClose() override;
    void OnDestroy() override;
    // One step of the serial probe.
    void OnTimer(std::uintptr_t timerId) override;

    // Sets the status text and has the dialog show it.
    void SetStatus(const std::string& text);
    // Sends "MyUpdateData" to the dialog.
    void RefreshControls();
    // The four receipt-group sizes as the catalogue lookups take them.
    ReceiptGroups CatalogueGroups() const {
        return ReceiptGroups{m_nReceiptCount1, m_nReceiptCount2, m_nReceiptCount3,
                             m_nReceiptCount4};
    }
    // The title of the program's message boxes: the program file's base name.
    std::string AppTitle();
    // Whether the start-up worker has run to its end.
    bool StartupFinished() const { return m_bStartupDone.load(); }

    // What the current or last installation did, begun afresh by each
    // Install; the dialog's thread writes it, as the whole installation
    // runs there.
    InstallReport m_installReport;

    // Members, in the order of the dialog's state table.
    CArchiverDll m_archiver;
    CButton m_btnInstall{IDC_INSTALL};
    CProgressCtrl m_progress{IDC_PROGRESS};
    CComboBox m_cboDriver{IDC_DRIVER_COMBO};
    CListCtrl m_lstPort{IDC_PORT_LIST};
    bool m_bSetDefault = true;
    std::string m_strStatus;
    int m_nReceiptCount4 = 0;
    int m_nReceiptCount3 = 0;
    int m_nReceiptCount2 = 0;
    int m_nReceiptCount1 = 0;
    int m_nLabelCount = 0;
    int m_nDriverIndex = -1;
    // The row the list shows when the dialog opens, in case the user clears
    // the selection before the first Install.
    int m_nPortType = 0;
    CSerialChannel m_serialPort;
    // The serial prompt's preselected rate, for a port configured before any
    // answer.
    int m_nBaudRate = 19200;
    std::vector<std::string> m_saAllPorts;
    std::vector<std::string> m_saUsbPorts;
    std::vector<std::string> m_saSerialPorts;
    std::vector<std::string> m_saParallelPorts;
    std::vector<std::string> m_saTcpipPorts;
    std::vector<std::string> m_saPrinterNames;
    std::vector<std::string> m_saPrinterPorts;
    std::string m_strPort;
    bool m_bWow64 = false;
    std::atomic<bool> m_bSerialReply{false};
    int m_nComNumber = 0;
    int m_nParity = 'N';
    int m_nDataBits = 8;
    int m_nStopBits = 1;
    std::uint32_t m_dwCommEvents = 3;
    int m_nProbeIndex = 0;
    // The name the last installation created its printer under: the port
    // detections move this printer, whatever the driver box says.
    std::string m_strPrinterName;

    // How long a wait for a service state may take before the user is told.
    static constexpr std::uint32_t kServiceWaitMs = 30000;
    static constexpr std::uint32_t kServicePollMs = 50;
    // The first look at a change under way: Wine's spooler stops within a
    // few milliseconds of the request.
    static constexpr std::uint32_t kServiceFirstPollMs = 10;
    // How long closing the dialog waits for the start-up worker.
    static constexpr std::uint32_t kWorkerWaitMs = 120000;

protected:
    void DoDataExchange(bool saveAndValidate) override;

private:
    static void StartupThreadProc(CInstallerDlg* dialog);
    void RunStartup();
    // Walks the sections of the driver list file in file order.
    void ReadDriverSections(const std::function<void(int position, const std::string& name)>&
                                visitDisplayName);
    // The spooler's driver folder for `environment` into `*directory`; false
    // (the user told) when it does not fit the installer's path buffers.
    bool GetDriverDirectory(const char* environment, std::string* directory);
    // The environment the installation registers for and its driver folder
    // (step 2 of both installations); false, the button usable again, when
    // the folder is refused.
    bool SelectDriverEnvironment(std::string* environment, std::string* directory);
    void ReportFolderTooLong(const std::string& folder);
    // The box for a driver folder the spooler does not give (`error`, the
    // last error).
    void ReportNoDriverDirectory(std::uint32_t error);
    // The Retry/Cancel box for a driver the spooler refused, and its answer.
    void ReportDriverFailure(std::uint32_t error, PrinterVariant variant);
    // The folder the label monitor's DLL goes to; false (the user told) when
    // the system cannot name it or it does not fit the installer's buffer.
    bool GetMonitorDirectory(std::string* directory);
    // Copies `file` from `sourceFolder` into `driverDirectory`, then shows
    // the destination.
    void StageDriverFile(const std::string& sourceFolder, const std::string& driverDirectory,
                         const std::string& file);
    void EnableLoadDriverPrivilege();
    void SetDefaultPrinter(const std::string& printerName);
    // The box for a printer the spooler refused; leaves the button usable.
    void ReportPrinterFailure(std::uint32_t error);

    // How the installation ended, unless one of its steps already said so.
    void EndInstallation(InstallOutcome outcome);
    // A failed step of the running installation; the start-up's steps are
    // no installation's and are not noted.
    void NoteStepFailure(StepFailure failure);
    // Where the installation put its printer: its report follows `port`
    // when `printerName` is the printer being installed.
    void NotePrinterPort(const std::string& printerName, const std::string& port);

    // Steps of the serial detection.
    // The Ports value of `port`: "baud,parity,data,stop".
    void WritePortSettings(const std::string& port);
    // Writes again the port of every listed printer on a COM port, except
    // the printer being installed.
    void RewriteSerialPrinters(const std::string& installedPrinter);
    // The button reads "&Finish" and the status line shows m_strStatus.
    void FinishDialog();
    // The probe's last steps before the dialog is finished.
    void EndProbe(const std::string& printer);

    // Waits until `service` reports `wanted`, starting from the state
    // `known` the caller already has; true when it came within
    // kServiceWaitMs. Runs `whileRunning` whenever the service reports it
    // runs.
    bool WaitForServiceState(plat::Handle service, std::uint32_t wanted, std::uint32_t known,
                             const std::function<void()>& whileRunning = {});

    plat::Platform& m_platform;
    std::thread m_worker;
    std::atomic<bool> m_bClosing{false};
    std::atomic<bool> m_bStartupDone{false};
    // Set by the first Install; the start-up worker, which has ended by
    // then, reads it in the service restarts they share.
    std::atomic<bool> m_bInstalling{false};
};
