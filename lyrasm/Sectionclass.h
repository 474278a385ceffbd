// One trigger section of the chip: three trigger attributes and the group
// list, the ordered voices the chip plays for the trigger.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

struct VocTb {
    int32_t FileId; // Id of a FileList entry
    int32_t Rate;   // sample rate copied when the entry was made
    bool Busy;
};

class Section {
  public:
    Section() { Reset(); }

    // Level, UnHoldable, Retrigger, no group entries.
    void Reset();

    void AddVoice(int32_t fileId, int32_t rate, bool busy);
    // Removes every entry of the file; the others keep their order.
    void RemoveFile(int32_t fileId);
    // Removes the entry at index; an index outside the list is ignored.
    void RemoveVoice(int index);
    // False (out untouched) at or past the end; throws std::out_of_range for
    // a negative index.
    bool GetVoice(int index, VocTb& out) const;
    // These throw std::out_of_range for an index outside the list, before
    // anything changes.
    void SwapVoices(int a, int b);
    void SetBusy(int index, bool value);
    bool GetBusy(int index) const;
    bool IsEmpty() const { return Groups.empty(); }
    int Count() const { return static_cast<int>(Groups.size()); }

    // Each setter stores the flag and returns its display text.
    QString SetEdge(bool value);
    QString SetHold(bool value);
    QString SetReTrg(bool value);
    bool GetEdge() const { return Edge; }
    bool GetHold() const { return Hold; }
    bool GetReTrg() const { return ReTrg; }
    QString EdgeText() const;
    QString HoldText() const;
    QString ReTrgText() const;

  private:
    void Check(int index) const;

    bool Edge;
    bool Hold;
    bool ReTrg;
    std::vector<VocTb> Groups;
};
