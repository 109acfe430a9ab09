#pragma once

// What the screenshots show: the tour's moves in seconds, read from the tour itself, and the times,
// labels and file names of the shots. Nothing here draws or touches a file.

#include "CameraAnimation.h"

#include <map>
#include <string>
#include <vector>

namespace Screenshots
{

// One move of the tour in seconds of tour time, named as a person would: "Orbit Earth", "Travel to Moon".
struct TourMove
{
    std::string name;
    double start;
    double end;
};

// The tour's moves one after another; `names` names the bodies they refer to.
std::vector<TourMove> tourMoves(const Camera::CameraAnimation& tour,
                                const std::map<const Resource::IModel*, std::string>& names);

// The middle of each move: one shot of each.
std::vector<double> middleTimes(const std::vector<TourMove>& moves);

// "1.5,8,16" -> {1.5, 8, 16}; throws std::invalid_argument naming the bad entry. Times are
// non-negative, finite and strictly increasing, so every picture gets its own name.
std::vector<double> parseTimes(const std::string& text);

// A camera held still while the bodies move through the tour's times: `distance` from the body named
// `body` ("earth", "moon" or "sun"), looking at it along the horizontal `degrees`.
struct HeldView
{
    std::string body;
    float distance = 0.0f;
    float degrees = 0.0f;
    // "Earth from 3 at 90 degrees": the move's name on the shots.
    std::string name() const;
};

// "earth,3,90" -> {"earth", 3, 90}; throws std::invalid_argument naming what is wrong.
HeldView parseHeldView(const std::string& text);

// "1.5", "8", "16.25": seconds as a person writes them, without trailing zeros.
std::string formatSeconds(double seconds);

// "3 Travel to Moon 16 s": the shot's number, the move playing at `seconds` and the time.
std::string shotLabel(int index, double seconds, const std::vector<TourMove>& moves);

// "03-travel-to-moon-16s.png": sorts in shot order and says what it shows.
std::string shotFileName(int index, double seconds, const std::vector<TourMove>& moves);

} // namespace Screenshots
