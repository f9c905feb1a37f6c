#include "devices/v4l2query.h"

#include <cerrno>
#include <sys/ioctl.h>

namespace zd
{

int V4l2FdQuery::xioctl(int fd, unsigned long request, void* arg)
{
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

bool V4l2FdQuery::querycap(v4l2_capability& cap)
{
    return xioctl(m_fd, VIDIOC_QUERYCAP, &cap) == 0;
}

bool V4l2FdQuery::enumFormat(v4l2_fmtdesc& desc)
{
    return xioctl(m_fd, VIDIOC_ENUM_FMT, &desc) == 0;
}

bool V4l2FdQuery::enumFrameSize(v4l2_frmsizeenum& size)
{
    return xioctl(m_fd, VIDIOC_ENUM_FRAMESIZES, &size) == 0;
}

bool V4l2FdQuery::enumFrameInterval(v4l2_frmivalenum& interval)
{
    return xioctl(m_fd, VIDIOC_ENUM_FRAMEINTERVALS, &interval) == 0;
}

bool V4l2FdQuery::queryControl(v4l2_queryctrl& control)
{
    return xioctl(m_fd, VIDIOC_QUERYCTRL, &control) == 0;
}

bool V4l2FdQuery::getControl(v4l2_control& control)
{
    return xioctl(m_fd, VIDIOC_G_CTRL, &control) == 0;
}

bool V4l2FdQuery::setControl(v4l2_control& control)
{
    return xioctl(m_fd, VIDIOC_S_CTRL, &control) == 0;
}

} // namespace zd
