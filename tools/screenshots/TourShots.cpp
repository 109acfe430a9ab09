#include "TourShots.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace Screenshots
{

namespace
{
// The move playing at `seconds`; "after the tour" once it has ended.
std::string moveAt(double seconds, const std::vector<TourMove>& moves)
{
    for (const TourMove& move : moves)
        if (seconds >= move.start && seconds < move.end)
            return move.name;
    return "after the tour";
}
} // namespace

std::vector<TourMove> tourMoves(const Camera::CameraAnimation& tour,
                                const std::map<const Resource::IModel*, std::string>& names)
{
    std::vector<TourMove> moves;
    double start = 0.0;
    for (const Camera::CameraMove& move : tour.getMoves())
    {
        std::string name;
        switch (move.type)
        {
        case Camera::CameraMoveType::Hold: name = "Hold " + names.at(move.firstModel); break;
        case Camera::CameraMoveType::Orbit: name = "Orbit " + names.at(move.firstModel); break;
        case Camera::CameraMoveType::Travel: name = "Travel to " + names.at(move.secondModel); break;
        }
        // Durations are in milliseconds.
        const double end = start + static_cast<double>(move.duration) / 1000.0;
        moves.push_back({name, start, end});
        start = end;
    }
    return moves;
}

std::vector<double> middleTimes(const std::vector<TourMove>& moves)
{
    std::vector<double> times;
    for (const TourMove& move : moves)
        times.push_back((move.start + move.end) / 2.0);
    return times;
}

std::vector<double> parseTimes(const std::string& text)
{
    std::vector<double> times;
    std::istringstream stream(text);
    std::string part;
    while (std::getline(stream, part, ','))
    {
        std::size_t used = 0;
        double value = -1.0;
        try
        {
            value = std::stod(part, &used);
        }
        catch (const std::exception&)
        {
        }
        if (used != part.size() || !std::isfinite(value) || value < 0.0)
            throw std::invalid_argument("time '" + part + "' is not a number of seconds >= 0");
        if (!times.empty() && value <= times.back())
            throw std::invalid_argument("times must increase: '" + part + "' follows " + formatSeconds(times.back()));
        times.push_back(value);
    }
    if (times.empty() || text.back() == ',')
        throw std::invalid_argument("times must be a comma-separated list of seconds, not '" + text + "'");
    return times;
}

std::string HeldView::name() const
{
    std::string named = body;
    if (!named.empty())
        named[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(named[0])));
    return named + " from " + formatSeconds(distance) + " at " + formatSeconds(degrees) + " degrees";
}

HeldView parseHeldView(const std::string& text)
{
    std::istringstream stream(text);
    HeldView view;
    std::string distance;
    std::string degrees;
    std::string rest;
    std::getline(stream, view.body, ',');
    std::getline(stream, distance, ',');
    std::getline(stream, degrees, ',');
    const bool more = static_cast<bool>(std::getline(stream, rest));
    if (view.body != "earth" && view.body != "moon" && view.body != "sun")
        throw std::invalid_argument("held view '" + text + "' must start with earth, moon or sun");
    const auto number = [&](const std::string& part, float& value) {
        std::size_t used = 0;
        try
        {
            value = std::stof(part, &used);
        }
        catch (const std::exception&)
        {
            used = 0;
        }
        return !part.empty() && used == part.size() && std::isfinite(value);
    };
    if (more || !number(distance, view.distance) || !(view.distance > 0.0f) || !number(degrees, view.degrees))
        throw std::invalid_argument("held view '" + text + "' is not BODY,DISTANCE,DEGREES with a distance > 0");
    return view;
}

std::string formatSeconds(double seconds)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", seconds);
    std::string text = buffer;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::string shotLabel(int index, double seconds, const std::vector<TourMove>& moves)
{
    return std::to_string(index) + " " + moveAt(seconds, moves) + " " + formatSeconds(seconds) + " s";
}

std::string shotFileName(int index, double seconds, const std::vector<TourMove>& moves)
{
    char number[16];
    std::snprintf(number, sizeof number, "%02d-", index);
    std::string name = number;
    for (const char c : moveAt(seconds, moves))
        name += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + "-" + formatSeconds(seconds) + "s.png";
}

} // namespace Screenshots
