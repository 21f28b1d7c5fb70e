#pragma once

#include <QString>

namespace tovik::control {

// The objectNames of the controls that hold a run's settings; tests find the controls, and
// stand in for them, by these names.
inline const QString kCboOnlConnType = QStringLiteral("cboOnlConnType");
inline const QString kTxtOnlDbServer = QStringLiteral("txtOnlDbServer");
inline const QString kTxtOnlDbPort = QStringLiteral("txtOnlDbPort");
inline const QString kTxtOnlDatabase = QStringLiteral("txtOnlDatabase");
inline const QString kTxtOnlConnTimeout = QStringLiteral("txtOnlConnTimeout");
inline const QString kTxtOnlDbUser = QStringLiteral("txtOnlDbUser");
inline const QString kTxtOnlDbPass = QStringLiteral("txtOnlDbPass");
inline const QString kChkCpuLoadMon = QStringLiteral("chkCpuLoadMon");
inline const QString kCboCpuMonTimeStart = QStringLiteral("cboCpuMonTimeStart");
inline const QString kCboCpuMonTimeStop = QStringLiteral("cboCpuMonTimeStop");
inline const QString kTxtCpuLoadThreshold = QStringLiteral("txtCpuLoadThreshold");
inline const QString kTxtCpuOverThreshold = QStringLiteral("txtCpuOverThreshold");

} // namespace tovik::control
