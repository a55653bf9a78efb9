"""Frees the slots of JACK's machine-wide server registry that this project's servers left behind.

JACK has eight slots for the servers of all users, at the start of /dev/shm/jack-shm-registry (a header,
then per slot a process id and a name "jack-UID:SERVER:"), guarded by a System V semaphore that JACK also
takes. A server that was killed keeps its slot, and JACK clears a stale slot only when a server of the
same name starts again; the soak's and the journeys' servers have a new name each run, so their stale
slots add up until no server starts ("Too many servers already active"). As tests/drivers/JackTestServer
does for the test servers, a slot of this project's servers whose process is gone is cleared.
"""
import ctypes
import os
import struct

REGISTRY = "/dev/shm/jack-shm-registry"
SEMAPHORE = 0x282929
MAGIC = 0x4A41434B
SLOTS_AT, SLOT_BYTES, SLOT_COUNT = 24, 264, 8
SEM_UNDO = 0x1000


class _SemBuf(ctypes.Structure):
    _fields_ = [("num", ctypes.c_ushort), ("op", ctypes.c_short), ("flags", ctypes.c_short)]


class _TimeSpec(ctypes.Structure):
    _fields_ = [("sec", ctypes.c_long), ("nsec", ctypes.c_long)]


def free_stale_slots():
    """The number of slots freed, or -1 when the registry cannot be read or locked."""
    libc = ctypes.CDLL(None, use_errno=True)
    semaphore = libc.semget(SEMAPHORE, 1, 0)
    if semaphore < 0 or not os.path.exists(REGISTRY):
        return -1
    if libc.semtimedop(semaphore, ctypes.byref(_SemBuf(0, -1, SEM_UNDO)), 1, ctypes.byref(_TimeSpec(2, 0))):
        return -1
    try:
        with open(REGISTRY, "r+b") as registry:
            header = struct.unpack("6I", registry.read(24))
            if header[0] != MAGIC or header[4] != SLOTS_AT + SLOT_COUNT * SLOT_BYTES:
                return -1
            freed = 0
            for i in range(SLOT_COUNT):
                registry.seek(SLOTS_AT + i * SLOT_BYTES)
                slot = registry.read(SLOT_BYTES)
                pid = struct.unpack("i", slot[:4])[0]
                name = slot[4:].split(b"\0")[0]
                if pid > 0 and b":sonvale-" in name and not os.path.exists("/proc/%d" % pid):
                    registry.seek(SLOTS_AT + i * SLOT_BYTES)
                    registry.write(bytes(SLOT_BYTES))
                    freed += 1
            return freed
    finally:
        libc.semop(semaphore, ctypes.byref(_SemBuf(0, 1, SEM_UNDO)), 1)
