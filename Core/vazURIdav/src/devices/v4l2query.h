// The questions the engine asks a V4L2 node, one ioctl each, behind an
// interface so that the code that turns the answers into device lists and
// picture controls can be fed in tests without a camera.
#pragma once

#include <linux/videodev2.h>

namespace zd
{

class V4l2Query
{
public:
    virtual ~V4l2Query() = default;
    // Each returns false when the driver answers with an error (end of a list
    // included), exactly as the ioctl does.
    virtual bool querycap(v4l2_capability& cap) = 0;
    virtual bool enumFormat(v4l2_fmtdesc& desc) = 0;
    virtual bool enumFrameSize(v4l2_frmsizeenum& size) = 0;
    virtual bool enumFrameInterval(v4l2_frmivalenum& interval) = 0;
    virtual bool queryControl(v4l2_queryctrl& control) = 0;
    virtual bool getControl(v4l2_control& control) = 0;
    virtual bool setControl(v4l2_control& control) = 0;
};

// The same questions asked of an open file descriptor.
class V4l2FdQuery : public V4l2Query
{
public:
    explicit V4l2FdQuery(int fd) : m_fd(fd) {}
    bool querycap(v4l2_capability& cap) override;
    bool enumFormat(v4l2_fmtdesc& desc) override;
    bool enumFrameSize(v4l2_frmsizeenum& size) override;
    bool enumFrameInterval(v4l2_frmivalenum& interval) override;
    bool queryControl(v4l2_queryctrl& control) override;
    bool getControl(v4l2_control& control) override;
    bool setControl(v4l2_control& control) override;

    // ioctl, again while a signal interrupts it.
    static int xioctl(int fd, unsigned long request, void* arg);

private:
    int m_fd;
};

} // namespace zd
