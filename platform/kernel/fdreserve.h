// Descriptors held in reserve. A process that has run out of file descriptors cannot even say so:
// every new window needs one while it opens (the X server hands the window's shared memory over as a
// descriptor, and with no slot free to receive it the X connection waits for it forever). The
// program holds a few descriptors (of /dev/null) from its start; code that meets the limit (EMFILE,
// ENFILE) gives them up while it tells the user (CDescriptorRoom), and they are taken again after.
//
// One thread (the GUI thread) uses these.
#pragma once

namespace kernel {

// How many descriptors the reserve holds: a message box opens one at a time (its window's memory, a
// font file), more than one for margin.
constexpr int kReserveDescriptors = 4;

// What a window needs free while it opens: one for its memory, and one more for what else opens then
// (a font file; the sanitizers' checks of a type open two at once).
constexpr int kWindowDescriptors = 2;

// TRUE for the errors that say the process (EMFILE) or the system (ENFILE) has no descriptor free.
bool IsDescriptorShortage(int nErr);

// Takes what is missing of the reserve; TRUE when all of it is held. Takes nothing, and is FALSE,
// while a CDescriptorRoom lives: its room stays free.
bool TakeDescriptorReserve();
// TRUE when all of the reserve is held.
bool HoldsDescriptorReserve();
// Closes the reserve's descriptors (the end of a test; a program keeps them).
void ReleaseDescriptorReserve();
// TRUE while a CDescriptorRoom lives: whatever it made room for may need the descriptors still.
bool DescriptorRoomOpen();

// TRUE when n more descriptors can be opened now (none is kept open).
bool CanOpenDescriptors(int n = 1);

// Room for what must still work while the process is short of descriptors: while it lives the
// reserve is given up (when bShort) and not taken again; when the last room goes, the reserve is
// taken again as far as descriptors are free by then.
class CDescriptorRoom {
public:
    explicit CDescriptorRoom(bool bShort);
    ~CDescriptorRoom();
    CDescriptorRoom(const CDescriptorRoom&) = delete;
    CDescriptorRoom& operator=(const CDescriptorRoom&) = delete;

private:
    bool m_bOpen;
};

}  // namespace kernel
