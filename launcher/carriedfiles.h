#pragma once

#include <QByteArrayView>

// The files varnica-solo carries inside itself, stored raw: byte for byte as
// the build produced them, with no header and no compression.
namespace carriedfiles {

// The bytes of resource id (launchernames::terminalResource or
// controlResource); empty for any other id.
QByteArrayView resource(int id);

} // namespace carriedfiles
