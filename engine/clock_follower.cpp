#include "engine/clock_follower.h"

#include <algorithm>
#include <cmath>

namespace tamboro {

void ClockFollower::restart(double framesPerClock) {
    size_ = 0;
    first_ = 0;
    lastIndex_ = 0;
    lastFrame_ = 0;
    prior_ = std::clamp(framesPerClock, framesPerClockAt(MaxTempo), framesPerClockAt(MinTempo));
    priorSpread_ = PriorSpread;
    priorLetGo_ = false;
    period_ = prior_;
    offset_ = 0;
    run_ = 0;
    runSide_ = 0;
    gapRun_ = 0;
    beforeGap_ = -1;
    late_ = false;
    lateCount_ = 0;
    sinceChange_ = SettleClocks;
}

double ClockFollower::frameOf(double index) const {
    return static_cast<double>(lastFrame_) + offset_ + period_ * (index - static_cast<double>(lastIndex_));
}

const ClockFollower::Clock& ClockFollower::at(int i) const {
    return clocks_[static_cast<size_t>((first_ + i) % Window)];
}

int64_t ClockFollower::indexFor(int64_t frame) const {
    const double gap = static_cast<double>(frame - lastFrame_);
    if (size_ < EstablishedClocks || gap <= 1.5 * period_ + DeviationFrames)
        return lastIndex_ + 1;
    // Clocks were lost or paused: the index the line expects here.
    const double expected = (static_cast<double>(frame) - frameOf(static_cast<double>(lastIndex_))) / period_;
    const double clocks = std::min(std::round(expected), 1e12);
    return lastIndex_ + std::max<int64_t>(1, static_cast<int64_t>(clocks));
}

// The clock right after a gap-placed one, half a period or more before
// the line expects the next: the gap-placed one came late.
bool ClockFollower::cameLate(int64_t frame) const {
    if (beforeGap_ < 0 || late_)
        return false;
    const double early = frameOf(static_cast<double>(lastIndex_ + 1)) - static_cast<double>(frame);
    return early > std::max(period_ / 2, DeviationFrames);
}

void ClockFollower::noteDeviation(double residual) {
    if (std::abs(residual) <= DeviationFrames) {
        run_ = 0;
        return;
    }
    const int side = residual > 0 ? 1 : -1;
    run_ = side == runSide_ ? run_ + 1 : 1;
    runSide_ = side;
}

void ClockFollower::keepLast(int count) {
    count = std::min(count, size_);
    first_ = (first_ + size_ - count) % Window;
    size_ = count;
}

int64_t ClockFollower::addClock(int64_t frame) {
    if (size_ == 0) {
        clocks_[0] = {0, frame};
        first_ = 0;
        size_ = 1;
        lastIndex_ = 0;
        lastFrame_ = frame;
        fit();
        return 0;
    }
    frame = std::max(frame, lastFrame_);
    if (cameLate(frame)) {
        // The gap-placed clock is the newest kept: out of the line it goes,
        // and it takes the index after the one before the gap.
        --size_;
        lastIndex_ = beforeGap_ + 1;
        late_ = true;
        lateCount_ = 0;
        run_ = 0;
        gapRun_ = 0;
        fit();
    }
    const int64_t index = indexFor(frame);
    const double residual = static_cast<double>(frame) - frameOf(static_cast<double>(index));
    if (late_ && residual > DeviationFrames && lateCount_ < EstablishedClocks) {
        // Still part of the burst: counted, not fitted; the line stays.
        ++lateCount_;
        lastIndex_ = index;
        lastFrame_ = frame;
        offset_ = -residual;
        return index;
    }
    late_ = false;
    beforeGap_ = index > lastIndex_ + 1 ? lastIndex_ : -1;
    gapRun_ = index > lastIndex_ + 1 ? gapRun_ + 1 : 0;
    noteDeviation(residual);

    if (size_ == Window)
        first_ = (first_ + 1) % Window;
    else
        ++size_;
    clocks_[static_cast<size_t>((first_ + size_ - 1) % Window)] = {index, frame};
    lastIndex_ = index;
    lastFrame_ = frame;

    if (sinceChange_ < SettleClocks)
        ++sinceChange_;
    if (gapRun_ >= DeviationRun) {
        // Not lost clocks but a much slower master: the clocks since the
        // gaps began are consecutive after all.
        keepLast(gapRun_ + 1);
        for (int i = 1; i < size_; ++i)
            clocks_[static_cast<size_t>((first_ + i) % Window)].index = at(0).index + i;
        lastIndex_ = at(size_ - 1).index;
        newTempo();
    } else if (run_ >= DeviationRun && sinceChange_ >= SettleClocks) {
        // A new tempo since the clock before the deviating ones.
        keepLast(run_ + 1);
        newTempo();
    }
    fit();
    return lastIndex_;
}

void ClockFollower::newTempo() {
    prior_ = period_;
    priorSpread_ = AfterChangeSpread;
    priorLetGo_ = false;
    run_ = 0;
    gapRun_ = 0;
    beforeGap_ = -1;   // the indices before it may have changed
    sinceChange_ = 0;
    ++changes_;
}

void ClockFollower::fit() {
    offset_ = 0;
    if (size_ < 2) {
        period_ = prior_;
        return;
    }
    // Coordinates relative to the last clock keep the sums small.
    double meanX = 0;
    double meanY = 0;
    for (int i = 0; i < size_; ++i) {
        meanX += static_cast<double>(at(i).index - lastIndex_);
        meanY += static_cast<double>(at(i).frame - lastFrame_);
    }
    meanX /= size_;
    meanY /= size_;
    double sxx = 0;
    double sxy = 0;
    for (int i = 0; i < size_; ++i) {
        const double dx = static_cast<double>(at(i).index - lastIndex_) - meanX;
        const double dy = static_cast<double>(at(i).frame - lastFrame_) - meanY;
        sxx += dx * dx;
        sxy += dx * dy;
    }
    const double priorDoubt = priorSpread_ * prior_;
    if (!priorLetGo_ && size_ >= 3) {
        const double slopeDoubt = JitterFrames / std::sqrt(sxx);
        const double disagreement = std::abs(sxy / sxx - prior_);
        priorLetGo_ = disagreement > 4 * std::sqrt(slopeDoubt * slopeDoubt + priorDoubt * priorDoubt);
    }
    const double weight = priorLetGo_ ? 0 : (JitterFrames * JitterFrames) / (priorDoubt * priorDoubt);
    period_ = std::clamp((sxy + weight * prior_) / (sxx + weight), framesPerClockAt(MaxTempo),
                         framesPerClockAt(MinTempo));
    offset_ = meanY - period_ * meanX;
}

}  // namespace tamboro
