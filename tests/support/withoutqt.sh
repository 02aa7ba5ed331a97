# Runs a program where the machine's Qt is missing. Meant for unshare --mount
# (as root): every mount below belongs to that mount namespace and goes with
# its last process.
#   withoutqt.sh LINE MACHINE-DEVICES QT-LIBRARIES QT-PLUGINS PROGRAM...
# The machine's Qt and ICU libraries read as empty files, its Qt plugins as an
# empty folder. Serial ports are then looked for among the device names, since
# neither udev nor sysfs shows any: /dev holds only what a program needs and
# the pseudo-terminal LINE, as ttyUSB0; the machine's /dev stays reachable
# under MACHINE-DEVICES. Lock files stay inside.
set -eu
line=$1 devices=$2 qtlibs=$3 qtplugins=$4
shift 4
for library in "$qtlibs"/libQt6*.so.* "$qtlibs"/libicu*.so.*; do
  [ -L "$library" ] || mount --bind /dev/null "$library"
done
mount -t tmpfs qtplugins "$qtplugins"
[ ! -s "$qtlibs/libQt6Core.so.6" ] && [ -z "$(ls -A "$qtplugins")" ]
mount -t tmpfs sysclass /sys/class
mount --rbind /dev "$devices"
mount -t tmpfs devices /dev
for node in null zero full random urandom tty; do
  touch "/dev/$node"
  mount --bind "$devices/$node" "/dev/$node"
done
mkdir /dev/pts /dev/shm
mount --rbind "$devices/pts" /dev/pts
mount -t tmpfs shm /dev/shm
touch /dev/ttyUSB0
mount --bind "$line" /dev/ttyUSB0
mount -t tmpfs locks /run/lock
exec "$@"
