#include "timeline/Timeline.h"

#include <cmath>
#include <new>

Timeline* Timeline::instance = nullptr;
int32_t Timeline::length = 0;
Track* Track::first = nullptr;
Clip* Clip::first = nullptr;
Trigger* Trigger::first = nullptr;

namespace {
// The single-precision pi, widened: the easing curves use exactly this value.
constexpr double kPi = static_cast<double>(3.1415927f);
}

float easedArgument(Easing easing, float value, int32_t start, int32_t end, int32_t time)
{
    const double duration = static_cast<double>(end - start);
    const double p = static_cast<double>(time - start) / duration;
    const double r = static_cast<double>(end - time) / duration;
    switch (easing) {
    case Linear: return static_cast<float>(p);
    case LinearReverse: return static_cast<float>(r);
    case Cosine: return static_cast<float>((1.0 - std::cos(p * kPi)) * 0.5);
    case CosineReverse: return static_cast<float>(0.5 - std::cos(r * kPi) * 0.5);
    case Constant:
    default: return value;
    }
}

// --- Clip ---

Clip::Clip(int32_t trackId, int32_t start, int32_t end, SceneFunction callback, Easing easing,
           float value)
{
    if (start < 0 || end < 0) throw static_cast<int>(NegativeTime);
    if (start > end) throw static_cast<int>(EndBeforeStart);
    if (overlaps(trackId, start, end)) throw static_cast<int>(ClipOverlaps);
    this->trackId = trackId;
    this->start = start;
    this->end = end;
    this->callback = callback;
    this->easing = easing;
    this->value = value;
    next = nullptr;
    if (first == nullptr) first = this;
    else last()->next = this;
}

void Clip::update(int32_t trackId, int32_t time) const
{
    if (trackId != this->trackId) return;
    if (time < start || time >= end) return;
    callback(easedArgument(easing, value, start, end, time));
}

bool Clip::overlaps(int32_t trackId, int32_t start, int32_t end)
{
    for (const Clip* c = first; c != nullptr; c = c->next) {
        if (c->getTrackId() != trackId) continue;
        const bool startInside = c->getStart() <= start && start < c->getEnd();
        const bool endInside = c->getStart() < end && end <= c->getEnd();
        if (startInside || endInside) return true;
    }
    return false;
}

Clip* Clip::last()
{
    Clip* c = first;
    while (c->next != nullptr) c = c->next;
    return c;
}

// --- Track ---

Track::Track(int32_t id)
{
    if (find(id) != nullptr) throw static_cast<int>(TrackIdTaken);
    this->id = id;
    next = nullptr;
    if (first == nullptr) first = this;
    else last()->next = this;
    latestEnd = 0;
}

Clip* Track::addClip(int32_t start, int32_t end, SceneFunction callback, Easing easing, float value)
{
    if (end > latestEnd) latestEnd = end;
    if (latestEnd > Timeline::instance->getLength()) Timeline::instance->setLength(latestEnd);
    return new (std::nothrow) Clip(id, start, end, callback, easing, value);
}

void Track::update(int32_t time) const
{
    for (const Clip* c = Clip::first; c != nullptr; c = c->next) c->update(id, time);
}

Track* Track::find(int32_t id)
{
    for (Track* t = first; t != nullptr; t = t->next) {
        if (t->getId() == id) return t;
    }
    return nullptr;
}

Track* Track::last()
{
    Track* t = first;
    while (t->next != nullptr) t = t->next;
    return t;
}

// --- Trigger ---

void Trigger::check(int32_t now)
{
    if (now > time && !fired) {
        fired = true;
        callback();
    }
}

void Trigger::append(Trigger* trigger)
{
    trigger->next = nullptr;
    if (first == nullptr) {
        first = trigger;
        return;
    }
    Trigger* t = first;
    while (t->next != nullptr) t = t->next;
    t->next = trigger;
}

// --- Timeline ---

Timeline::Timeline() { instance = this; }

Track* Timeline::addTrack(int32_t id) { return new (std::nothrow) Track(id); }

void Timeline::update(int32_t time) const
{
    for (const Track* t = Track::first; t != nullptr; t = t->next) t->update(time);
    for (Trigger* t = Trigger::first; t != nullptr; t = t->next) t->check(time);
}
