#include "media/gifwriter.h"

#include "media/enginethread.h"

#include "media/medialog.h"
#include "media/recordfile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

namespace zd::media
{

GifWriter::GifWriter(StateHandler state) : m_state(std::move(state)) {}

GifWriter::~GifWriter()
{
    stop();
}

bool GifWriter::start(const std::string& path, int width, int height, bool keepAspect, int fps)
{
    if (m_running || path.empty() || width <= 0 || height <= 0 || fps <= 0)
        return false;
    m_path = path;
    m_tempPath = path + ".part";
    m_boxWidth = std::clamp(width, 2, 4096);
    m_boxHeight = std::clamp(height, 2, 4096);
    m_keepAspect = keepAspect;
    m_fps = std::clamp(fps, 1, 50);
    m_outWidth = m_outHeight = 0;
    m_inWidth = m_inHeight = 0;
    m_inFormat = -1;
    m_failed = false;
    m_lastPts = -1;
    m_reportedSecond = -1;
    m_queue = std::make_unique<BoundedQueue<Job>>(8);
    {
        std::lock_guard<std::mutex> lock(m_pickMutex);
        m_firstUs = -1;
        m_lastSlot = -1;
        m_accepting = true;
    }
    m_running = true;
    if (m_state)
        m_state(Started, 0);
    m_thread = startEngineThread([this] { run(); });
    return true;
}

void GifWriter::stop()
{
    if (!m_running)
        return;
    {
        std::lock_guard<std::mutex> lock(m_pickMutex);
        m_accepting = false;
    }
    m_queue->close();
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
}

void GifWriter::pushVideo(const AVFrame* frame)
{
    if (!frame || frame->pts == AV_NOPTS_VALUE)
        return;
    // Only the pictures the GIF's rate takes go to its thread; queued under
    // the lock that stop() takes, so none arrives after it.
    std::lock_guard<std::mutex> lock(m_pickMutex);
    if (!m_accepting)
        return;
    if (m_firstUs < 0)
        m_firstUs = frame->pts;
    const double slot = static_cast<double>(frame->pts - m_firstUs) * m_fps / 1000000.0;
    if (m_lastSlot >= 0 && slot < m_lastSlot + 0.5)
        return;
    m_lastSlot = std::max<int64_t>(std::llround(slot), m_lastSlot + 1);
    AVFramePtr ref = refFrame(frame);
    if (ref)
        m_queue->push(Job{std::move(ref)});
}

bool GifWriter::openOutput(const AVFrame* first)
{
    if (m_keepAspect) {
        const double sar =
            first->sample_aspect_ratio.num > 0 ? av_q2d(first->sample_aspect_ratio) : 1.0;
        const double shape = first->width * sar / first->height;
        if (shape * m_boxHeight > m_boxWidth) {
            m_outWidth = m_boxWidth;
            m_outHeight = std::max(2, static_cast<int>(std::lround(m_boxWidth / shape)));
        } else {
            m_outHeight = m_boxHeight;
            m_outWidth = std::max(2, static_cast<int>(std::lround(m_boxHeight * shape)));
        }
    } else {
        m_outWidth = m_boxWidth;
        m_outHeight = m_boxHeight;
    }
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
    if (!codec)
        return false;
    m_encoder.reset(avcodec_alloc_context3(codec));
    if (!m_encoder)
        return false;
    m_encoder->width = m_outWidth;
    m_encoder->height = m_outHeight;
    m_encoder->pix_fmt = AV_PIX_FMT_PAL8;
    m_encoder->time_base = AVRational{1, 100}; // GIF delays are centiseconds
    if (avcodec_open2(m_encoder.get(), codec, nullptr) < 0)
        return false;

    int errorNumber = 0;
    m_file = RecordFile::create(m_tempPath, errorNumber);
    if (!m_file) {
        log(LogError, "Cannot create the GIF " + m_tempPath);
        return false;
    }
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "gif", nullptr) < 0 || !raw)
        return false;
    m_muxer.reset(raw);
    m_muxer->pb = m_file->io();
    m_muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    AVStream* st = avformat_new_stream(m_muxer.get(), nullptr);
    if (!st || avcodec_parameters_from_context(st->codecpar, m_encoder.get()) < 0)
        return false;
    st->time_base = m_encoder->time_base;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "loop", "0", 0);
    const int r = avformat_write_header(m_muxer.get(), &options);
    av_dict_free(&options);
    return r >= 0 && !m_file->writeError();
}

bool GifWriter::buildGraph(const AVFrame* in)
{
    m_graph.reset(avfilter_graph_alloc());
    if (!m_graph)
        return false;
    m_graph->nb_threads = 1;
    const std::string args = "video_size=" + std::to_string(in->width) + "x" +
                             std::to_string(in->height) + ":pix_fmt=" + std::to_string(in->format) +
                             ":time_base=1/1000000:pixel_aspect=1/1";
    if (avfilter_graph_create_filter(&m_source, avfilter_get_by_name("buffer"), "in", args.c_str(),
                                     nullptr, m_graph.get()) < 0 ||
        avfilter_graph_create_filter(&m_sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                     nullptr, m_graph.get()) < 0)
        return false;
    // A palette of its own for every frame, made from that frame.
    const std::string chain = "scale=" + std::to_string(m_outWidth) + ":" +
                              std::to_string(m_outHeight) +
                              ":flags=bicubic,split[a][b];[a]palettegen=stats_mode=single[p];"
                              "[b][p]paletteuse=new=1:dither=bayer:bayer_scale=3";
    AVFilterInOutPtr outputs(avfilter_inout_alloc());
    AVFilterInOutPtr inputs(avfilter_inout_alloc());
    if (!outputs || !inputs)
        return false;
    outputs->name = av_strdup("in");
    outputs->filter_ctx = m_source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = m_sink;
    AVFilterInOut* outs = outputs.release();
    AVFilterInOut* ins = inputs.release();
    int r = avfilter_graph_parse_ptr(m_graph.get(), chain.c_str(), &ins, &outs, nullptr);
    avfilter_inout_free(&ins);
    avfilter_inout_free(&outs);
    if (r >= 0)
        r = avfilter_graph_config(m_graph.get(), nullptr);
    if (r < 0) {
        log(LogError, "Cannot build the GIF palette graph: " + avErrorText(r));
        return false;
    }
    m_inWidth = in->width;
    m_inHeight = in->height;
    m_inFormat = in->format;
    return true;
}

bool GifWriter::encode(AVFrame* frame)
{
    if (avcodec_send_frame(m_encoder.get(), frame) < 0)
        return false;
    AVPacketPtr packet = makePacket();
    if (!packet)
        return false;
    for (;;) {
        const int r = avcodec_receive_packet(m_encoder.get(), packet.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        packet->stream_index = 0;
        av_packet_rescale_ts(packet.get(), m_encoder->time_base, m_muxer->streams[0]->time_base);
        if (av_interleaved_write_frame(m_muxer.get(), packet.get()) < 0 || m_file->writeError())
            return false;
    }
}

bool GifWriter::writeFrame(const AVFrame* frame)
{
    if (!m_encoder && !openOutput(frame))
        return false;
    if (!m_graph || frame->width != m_inWidth || frame->height != m_inHeight ||
        frame->format != m_inFormat) {
        if (!buildGraph(frame))
            return false;
    }
    AVFramePtr ref = refFrame(frame);
    if (!ref || av_buffersrc_add_frame(m_source, ref.get()) < 0)
        return false;
    for (;;) {
        AVFramePtr out = makeFrame();
        if (!out)
            return false;
        const int r = av_buffersink_get_frame(m_sink, out.get());
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF)
            return true;
        if (r < 0)
            return false;
        // Centiseconds since the first picture, always moving on.
        int64_t startUs;
        {
            std::lock_guard<std::mutex> lock(m_pickMutex);
            startUs = m_firstUs >= 0 ? m_firstUs : 0;
        }
        int64_t pts = (out->pts - startUs) / 10000;
        if (pts <= m_lastPts)
            pts = m_lastPts + 1;
        m_lastPts = pts;
        out->pts = pts;
        if (!encode(out.get()))
            return false;
        const int64_t second = pts / 100;
        if (second != m_reportedSecond && m_state) {
            m_reportedSecond = second;
            m_state(Progress, pts * 10);
        }
    }
}

void GifWriter::finish()
{
    bool ok = m_encoder && m_muxer && !m_failed;
    if (ok)
        ok = encode(nullptr) && av_write_trailer(m_muxer.get()) >= 0;
    m_muxer.reset();
    m_encoder.reset();
    m_graph.reset();
    if (m_file) {
        if (m_file->close() != 0)
            ok = false;
        m_file.reset();
        if (ok && std::rename(m_tempPath.c_str(), m_path.c_str()) != 0)
            ok = false;
        if (!ok)
            ::unlink(m_tempPath.c_str());
    }
    if (!ok)
        log(LogError, "The GIF " + m_path + " could not be written");
}

void GifWriter::run()
{
    for (;;) {
        std::optional<Job> job = m_queue->pop(std::chrono::milliseconds(200));
        if (!job) {
            if (m_queue->closed())
                break;
            continue;
        }
        if (m_failed)
            continue;
        if (!writeFrame(job->frame.get())) {
            m_failed = true;
            log(LogError, "Writing the GIF " + m_path + " failed");
            // The owner is asked to stop; it then ends the GIF as usual.
            if (m_state)
                m_state(StopRequest, 0);
        }
    }
    finish();
    if (m_state)
        m_state(Ended, 0);
}

} // namespace zd::media
