#include "media/picturewriter.h"

#include "media/enginethread.h"
#include "media/medialog.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace zd::media
{

namespace
{

std::string lowerExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// Encodes frame as one picture file in memory.
bool encodePicture(const AVFrame* frame, const std::string& ext, AVPacketPtr& out)
{
    AVCodecID id = AV_CODEC_ID_BMP;
    AVPixelFormat format = AV_PIX_FMT_BGR24;
    if (ext == "png") {
        id = AV_CODEC_ID_PNG;
        format = AV_PIX_FMT_RGB24;
    } else if (ext == "jpg" || ext == "jpeg") {
        id = AV_CODEC_ID_MJPEG;
        format = AV_PIX_FMT_YUVJ420P;
    }
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec)
        return false;
    AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx)
        return false;
    ctx->width = frame->width;
    ctx->height = frame->height;
    ctx->pix_fmt = format;
    ctx->time_base = AVRational{1, 25};
    if (id == AV_CODEC_ID_MJPEG) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * 2;
        ctx->color_range = AVCOL_RANGE_JPEG;
    }
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return false;

    AVFramePtr picture = makeFrame();
    if (!picture)
        return false;
    picture->width = frame->width;
    picture->height = frame->height;
    picture->format = format;
    if (av_frame_get_buffer(picture.get(), 0) < 0)
        return false;
    SwsContextPtr sws(sws_getContext(
        frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
        frame->height, format, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!sws || sws_scale(sws.get(), frame->data, frame->linesize, 0, frame->height, picture->data,
                          picture->linesize) <= 0)
        return false;
    picture->pts = 0;
    if (avcodec_send_frame(ctx.get(), picture.get()) < 0 ||
        avcodec_send_frame(ctx.get(), nullptr) < 0)
        return false;
    out = makePacket();
    return out && avcodec_receive_packet(ctx.get(), out.get()) >= 0 && out->size > 0;
}

bool writeWhole(const std::string& path, const uint8_t* data, size_t size)
{
    // Written beside the target under a temporary name, then renamed over it,
    // so a reader never sees half a picture.
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        log(LogError, "Cannot create the picture " + path + ": " + std::strerror(errno));
        return false;
    }
    bool ok = true;
    size_t done = 0;
    while (ok && done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    const int writeErrno = ok ? 0 : (errno ? errno : ENOSPC);
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok) {
        log(LogError, "Writing the picture " + path +
                          " failed: " + std::strerror(writeErrno ? writeErrno : errno));
        ::unlink(temp.c_str());
    }
    return ok;
}

} // namespace

bool PictureWriter::write(const AVFrame* frame, const std::string& path)
{
    if (!frame || path.empty() || frame->width <= 0 || frame->height <= 0)
        return false;
    AVPacketPtr packet;
    if (!encodePicture(frame, lowerExtension(path), packet)) {
        log(LogError, "Cannot encode the picture " + path);
        return false;
    }
    return writeWhole(path, packet->data, static_cast<size_t>(packet->size));
}

PictureWriter::PictureWriter() : m_thread(startEngineThread([this] { run(); })) {}

PictureWriter::~PictureWriter()
{
    m_jobs.close();
    if (m_thread.joinable())
        m_thread.join();
}

bool PictureWriter::writeLater(AVFramePtr frame, const std::string& path, DoneHandler done)
{
    return m_jobs.push(Job{std::move(frame), path, std::move(done)});
}

void PictureWriter::run()
{
    for (;;) {
        std::optional<Job> job = m_jobs.pop(std::chrono::milliseconds(500));
        if (!job) {
            if (m_jobs.closed())
                return;
            continue;
        }
        const bool ok = write(job->frame.get(), job->path);
        if (job->done)
            job->done(job->path, ok);
    }
}

} // namespace zd::media
