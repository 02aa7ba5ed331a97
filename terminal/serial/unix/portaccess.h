#pragma once

#include <QSerialPort>
#include <QString>

// Telling a device that this process may not open apart from one that another
// program holds, and telling the user how to get access.
namespace portaccess {

// Why an open failed, as far as the user is concerned.
enum class OpenRefusal {
    Missing,         // no such device
    Denied,          // the device is not ours to open
    InUse,           // another program holds it
    SettingsRefused, // the device does not take the line settings
    Other,
};

// QSerialPort reports a lock held by another program, a device opened for
// exclusive use (EBUSY) and a device we may not open (EACCES) all as
// PermissionError, and EPERM as UnknownError. accessError, the errno of a
// read-write access check on the device (0 when allowed), tells them apart.
OpenRefusal classify(QSerialPort::SerialPortError error, int accessError);

// The errno of checking whether this process may open the device for reading
// and writing (its effective user and groups against the device's mode and
// access lists), or 0 when it may.
int readWriteAccessError(const QString &device);

// Whether an access check's errno means "not permitted".
bool deniesAccess(int accessError);

// What a user refused access needs to hear.
struct DeniedAccess
{
    QString device;
    QString ownerName;
    QString groupName;
    uint permissions = 0; // the device's permission bits, e.g. 0660
    QString userName;
    bool inGroupNow = false;    // this process has the device's group
    bool listedInGroup = false; // the group database lists the user in it
};

// The device's owner, group and mode, and where this user stands.
DeniedAccess deniedAccessTo(const QString &device);

// Names the device, its group and the way to access: joining the group (and
// logging in again), or only the latter when the user has joined already, or
// asking an administrator when the group itself may not read and write.
QString describe(const DeniedAccess &access);

} // namespace portaccess
