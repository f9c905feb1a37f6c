// Reads back what the engine wrote, through libavformat and libavcodec as a
// player would: stream sizes, rates, durations, and the frame numbers the
// test-pattern camera draws into every picture.
#pragma once

#include "devices/testpattern.h"
#include "media/avholders.h"

#include <QString>
#include <QVector>

#include <cmath>

namespace mediaprobe
{

struct Info {
    bool opened = false;
    QString container;
    QString videoCodec;
    int width = 0, height = 0;
    double fps = 0;      // average frame rate of the video stream
    double duration = 0; // seconds, of the video stream as decoded
    int videoFrames = 0;
    bool hasAudio = false;
    QString audioCodec;
    double audioDuration = 0;
    QVector<qint64> codes; // frame numbers read from the decoded pictures
};

// Opens path and decodes every video frame; codes only when readCodes.
inline Info probe(const QString& path, bool readCodes = true)
{
    using namespace zd::media;
    Info info;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return info;
    AVFormatInputPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return info;
    info.opened = true;
    info.container = QString::fromUtf8(fmt->iformat->name);
    const int v = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int a = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (v < 0)
        return info;
    AVStream* vs = fmt->streams[v];
    info.videoCodec = QString::fromUtf8(avcodec_get_name(vs->codecpar->codec_id));
    info.width = vs->codecpar->width;
    info.height = vs->codecpar->height;
    info.fps = vs->avg_frame_rate.den ? av_q2d(vs->avg_frame_rate) : 0;
    if (a >= 0) {
        info.hasAudio = true;
        info.audioCodec = QString::fromUtf8(avcodec_get_name(fmt->streams[a]->codecpar->codec_id));
    }
    const AVCodec* dec = avcodec_find_decoder(vs->codecpar->codec_id);
    AVCodecContextPtr ctx(avcodec_alloc_context3(dec));
    avcodec_parameters_to_context(ctx.get(), vs->codecpar);
    if (avcodec_open2(ctx.get(), dec, nullptr) < 0)
        return info;
    AVPacketPtr pkt = makePacket();
    AVFramePtr frame = makeFrame();
    int64_t firstPts = AV_NOPTS_VALUE, lastPts = AV_NOPTS_VALUE, lastDur = 0;
    int64_t audioFirst = AV_NOPTS_VALUE, audioEnd = AV_NOPTS_VALUE;
    auto take = [&](AVFrame* f) {
        ++info.videoFrames;
        const int64_t pts = f->best_effort_timestamp;
        if (pts != AV_NOPTS_VALUE) {
            if (firstPts == AV_NOPTS_VALUE || pts < firstPts)
                firstPts = pts;
            if (lastPts == AV_NOPTS_VALUE || pts > lastPts) {
                lastPts = pts;
                lastDur = f->pkt_duration;
            }
        }
        if (readCodes)
            info.codes.push_back(zd::devices::TestPattern::readFrameCode(f->data[0], f->linesize[0],
                                                                         f->width, f->height));
    };
    while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
        if (pkt->stream_index == a) {
            if (audioFirst == AV_NOPTS_VALUE)
                audioFirst = pkt->pts;
            audioEnd = pkt->pts + pkt->duration;
        }
        if (pkt->stream_index == v && avcodec_send_packet(ctx.get(), pkt.get()) >= 0)
            while (avcodec_receive_frame(ctx.get(), frame.get()) >= 0)
                take(frame.get());
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(ctx.get(), nullptr);
    while (avcodec_receive_frame(ctx.get(), frame.get()) >= 0)
        take(frame.get());
    if (firstPts != AV_NOPTS_VALUE) {
        if (lastDur <= 0 && info.fps > 0)
            lastDur = av_rescale_q(1, av_inv_q(vs->avg_frame_rate), vs->time_base);
        info.duration = (lastPts + lastDur - firstPts) * av_q2d(vs->time_base);
    }
    if (a >= 0 && audioFirst != AV_NOPTS_VALUE)
        info.audioDuration = (audioEnd - audioFirst) * av_q2d(fmt->streams[a]->time_base);
    return info;
}

} // namespace mediaprobe
