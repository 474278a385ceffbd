#include "Sectionclass.h"

#include <stdexcept>
#include <string>
#include <utility>

void Section::Reset() {
    Edge = false;
    Hold = false;
    ReTrg = true;
    Groups.clear();
}

void Section::AddVoice(int32_t fileId, int32_t rate, bool busy) {
    Groups.push_back({fileId, rate, busy});
}

void Section::RemoveFile(int32_t fileId) {
    std::erase_if(Groups, [fileId](const VocTb& entry) { return entry.FileId == fileId; });
}

void Section::RemoveVoice(int index) {
    if (index < 0 || index >= Count()) return;
    Groups.erase(Groups.begin() + index);
}

void Section::Check(int index) const {
    if (index < 0 || index >= Count())
        throw std::out_of_range("group index " + std::to_string(index) + " is out of range");
}

bool Section::GetVoice(int index, VocTb& out) const {
    if (index < 0) Check(index);
    if (index >= Count()) return false;
    out = Groups[static_cast<size_t>(index)];
    return true;
}

void Section::SwapVoices(int a, int b) {
    Check(a);
    Check(b);
    std::swap(Groups[static_cast<size_t>(a)], Groups[static_cast<size_t>(b)]);
}

void Section::SetBusy(int index, bool value) {
    Check(index);
    Groups[static_cast<size_t>(index)].Busy = value;
}

bool Section::GetBusy(int index) const {
    Check(index);
    return Groups[static_cast<size_t>(index)].Busy;
}

QString Section::SetEdge(bool value) {
    Edge = value;
    return EdgeText();
}

QString Section::SetHold(bool value) {
    Hold = value;
    return HoldText();
}

QString Section::SetReTrg(bool value) {
    ReTrg = value;
    return ReTrgText();
}

QString Section::EdgeText() const {
    return Edge ? QStringLiteral("Edge") : QStringLiteral("Level");
}

QString Section::HoldText() const {
    return Hold ? QStringLiteral("Holdable") : QStringLiteral("UnHoldable");
}

QString Section::ReTrgText() const {
    return ReTrg ? QStringLiteral("Retrigger") : QStringLiteral("Non-Retrigger");
}
