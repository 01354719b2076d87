// What the view needs of its frame: the toolbar images that follow the
// capture, logging and auto-scroll switches.
#pragma once

class IFrameImages {
public:
    virtual void SetCaptureImage(bool on) = 0;
    virtual void SetLogImage(bool on) = 0;
    virtual void SetAutoScrollImage(bool on) = 0;

protected:
    ~IFrameImages() = default;
};
