#pragma once

namespace tavo::sim {

// Faults one device plays on purpose, so that a test can show that whoever talks to it
// notices them. They belong to the device's place on the network (SimNetwork), not to
// its command handling, which stays a pure function of the datagram.
struct SimFaults {
    static constexpr int kNone = -1;

    // Once the sector write (or upload block) to this sector is stored, the device falls
    // silent for good: it takes no further datagram and sends nothing.
    int silentAfterSector = kNone;
    // The first sector write to this sector is lost on arrival; later ones are stored.
    int dropWriteOnceSector = kNone;
};

}  // namespace tavo::sim
