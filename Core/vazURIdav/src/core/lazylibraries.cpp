// The engine's heaviest libraries, loaded when first used instead of with the
// program: FFmpeg's codec, format and filter libraries, curl, libarchive,
// the share server's libmicrohttpd and Avahi client, and libpulse (sound)
// bring some 180 shared objects with them, and loading and relocating those
// took more than half of the program's start-up, before its window could
// show. The program's first second needs none of them (devices are listed
// and pictures drawn without them); a recording, a picture file, a filter, a
// web request, an unpacking or a sound loads the library it needs at its first call.
//
// Each function the engine calls in those libraries has a stand-in here of
// the same name and type (the compiler checks them against the libraries'
// own headers): the first call looks the real function up, later calls go
// straight to it. The stand-ins are hidden, so the libraries themselves,
// once loaded, see only their own functions. Only the shared engine is built
// with this file; the static builds for tests and fuzzing link the libraries
// as usual. A function the engine starts to use needs a line below, or the
// shared engine does not link.
#define CURL_DISABLE_TYPECHECK

#include "core/log.h"

#include <archive.h>
#include <archive_entry.h>
#include <avahi-client/client.h>
#include <avahi-client/lookup.h>
#include <avahi-client/publish.h>
#include <avahi-common/address.h>
#include <avahi-common/error.h>
#include <avahi-common/simple-watch.h>
#include <avahi-common/strlst.h>
#include <avahi-common/thread-watch.h>
#include <curl/curl.h>
#include <microhttpd.h>
#include <pulse/pulseaudio.h>
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/macros.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <mutex>

namespace
{

enum class Library { Codec, Format, Filter, Curl, Archive, Http, Avahi, AvahiCommon, Pulse };
constexpr int kLibraries = static_cast<int>(Library::Pulse) + 1;

const char* fileOf(Library library)
{
    switch (library) {
    case Library::Codec:
        return "libavcodec.so." AV_STRINGIFY(LIBAVCODEC_VERSION_MAJOR);
    case Library::Format:
        return "libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR);
    case Library::Filter:
        return "libavfilter.so." AV_STRINGIFY(LIBAVFILTER_VERSION_MAJOR);
    case Library::Curl:
        return "libcurl.so.4";
    case Library::Archive:
        return "libarchive.so.13";
    case Library::Http:
        return "libmicrohttpd.so.12";
    case Library::Avahi:
        return "libavahi-client.so.3";
    case Library::AvahiCommon:
        return "libavahi-common.so.3";
    case Library::Pulse:
        return "libpulse.so.0";
    }
    return "";
}

void* handleOf(Library library)
{
    // One load per library, whichever thread comes first.
    static void* handles[kLibraries] = {};
    static std::once_flag once[kLibraries];
    const int i = static_cast<int>(library);
    std::call_once(once[i], [&] { handles[i] = dlopen(fileOf(library), RTLD_LAZY | RTLD_LOCAL); });
    return handles[i];
}

// The real function, or the end of the program: without the library the
// engine cannot go on, as it could not start without it before.
void* realFunction(Library library, const char* name) noexcept
{
    void* handle = handleOf(library);
    void* function = handle ? dlsym(handle, name) : nullptr;
    if (!function) {
        const char* why = dlerror();
        std::fprintf(stderr, "vazURIdav: %s from %s: %s\n", name, fileOf(library),
                     why ? why : "not found");
        zd::Log::write(8, "vazURIdav: cannot load %s from %s", name, fileOf(library));
        std::abort();
    }
    return function;
}

} // namespace

#define ZD_LAZY(library, result, name, params, args)                                               \
    extern "C" result name params                                                                  \
    {                                                                                              \
        static const auto real =                                                                   \
            reinterpret_cast<decltype(&::name)>(realFunction(Library::library, #name));            \
        return real args;                                                                          \
    }

// libavcodec
ZD_LAZY(Codec, int, av_bsf_alloc, (const AVBitStreamFilter* f, AVBSFContext** c), (f, c))
ZD_LAZY(Codec, void, av_bsf_free, (AVBSFContext * *c), (c))
ZD_LAZY(Codec, const AVBitStreamFilter*, av_bsf_get_by_name, (const char* n), (n))
ZD_LAZY(Codec, int, av_bsf_init, (AVBSFContext * c), (c))
ZD_LAZY(Codec, int, av_bsf_receive_packet, (AVBSFContext * c, AVPacket* p), (c, p))
ZD_LAZY(Codec, int, av_bsf_send_packet, (AVBSFContext * c, AVPacket* p), (c, p))
ZD_LAZY(Codec, int, av_new_packet, (AVPacket * p, int size), (p, size))
ZD_LAZY(Codec, AVPacket*, av_packet_alloc, (void), ())
ZD_LAZY(Codec, void, av_packet_free, (AVPacket * *p), (p))
ZD_LAZY(Codec, void, av_packet_rescale_ts, (AVPacket * p, AVRational from, AVRational to),
        (p, from, to))
ZD_LAZY(Codec, void, av_packet_unref, (AVPacket * p), (p))
ZD_LAZY(Codec, int, av_packet_ref, (AVPacket * dst, const AVPacket* src), (dst, src))
ZD_LAZY(Codec, AVCodecContext*, avcodec_alloc_context3, (const AVCodec* c), (c))
ZD_LAZY(Codec, void, avcodec_flush_buffers, (AVCodecContext * c), (c))
ZD_LAZY(Codec, AVCodecParameters*, avcodec_parameters_alloc, (void), ())
ZD_LAZY(Codec, int, avcodec_parameters_copy,
        (AVCodecParameters * dst, const AVCodecParameters* src), (dst, src))
ZD_LAZY(Codec, void, avcodec_parameters_free, (AVCodecParameters * *p), (p))
ZD_LAZY(Codec, int, avcodec_parameters_to_context, (AVCodecContext * c, const AVCodecParameters* p),
        (c, p))
ZD_LAZY(Codec, const AVCodec*, avcodec_find_decoder, (enum AVCodecID id), (id))
ZD_LAZY(Codec, const AVCodec*, avcodec_find_encoder, (enum AVCodecID id), (id))
ZD_LAZY(Codec, const AVCodec*, avcodec_find_encoder_by_name, (const char* n), (n))
ZD_LAZY(Codec, void, avcodec_free_context, (AVCodecContext * *c), (c))
ZD_LAZY(Codec, int, avcodec_open2, (AVCodecContext * c, const AVCodec* codec, AVDictionary** o),
        (c, codec, o))
ZD_LAZY(Codec, int, avcodec_parameters_from_context,
        (AVCodecParameters * p, const AVCodecContext* c), (p, c))
ZD_LAZY(Codec, int, avcodec_receive_frame, (AVCodecContext * c, AVFrame* f), (c, f))
ZD_LAZY(Codec, int, avcodec_receive_packet, (AVCodecContext * c, AVPacket* p), (c, p))
ZD_LAZY(Codec, int, avcodec_send_frame, (AVCodecContext * c, const AVFrame* f), (c, f))
ZD_LAZY(Codec, int, avcodec_send_packet, (AVCodecContext * c, const AVPacket* p), (c, p))

// libavformat
ZD_LAZY(Format, int, av_find_best_stream,
        (AVFormatContext * s, enum AVMediaType type, int wanted, int related,
         const AVCodec** decoder, int flags),
        (s, type, wanted, related, decoder, flags))
ZD_LAZY(Format, int, av_interleaved_write_frame, (AVFormatContext * s, AVPacket* p), (s, p))
ZD_LAZY(Format, int, av_read_frame, (AVFormatContext * s, AVPacket* p), (s, p))
ZD_LAZY(Format, int, av_seek_frame, (AVFormatContext * s, int stream, int64_t ts, int flags),
        (s, stream, ts, flags))
ZD_LAZY(Format, AVFormatContext*, avformat_alloc_context, (void), ())
ZD_LAZY(Format, const AVInputFormat*, av_find_input_format, (const char* n), (n))
ZD_LAZY(Format, void, avformat_close_input, (AVFormatContext * *s), (s))
ZD_LAZY(Format, int, avformat_find_stream_info, (AVFormatContext * s, AVDictionary** o), (s, o))
ZD_LAZY(Format, int, avformat_open_input,
        (AVFormatContext * *s, const char* url, const AVInputFormat* f, AVDictionary** o),
        (s, url, f, o))
ZD_LAZY(Format, int, avio_closep, (AVIOContext * *s), (s))
ZD_LAZY(Format, int, avio_open2,
        (AVIOContext * *s, const char* url, int flags, const AVIOInterruptCB* cb, AVDictionary** o),
        (s, url, flags, cb, o))
ZD_LAZY(Format, int, av_write_trailer, (AVFormatContext * s), (s))
ZD_LAZY(Format, int, avformat_alloc_output_context2,
        (AVFormatContext * *s, const AVOutputFormat* f, const char* n, const char* file),
        (s, f, n, file))
ZD_LAZY(Format, void, avformat_free_context, (AVFormatContext * s), (s))
ZD_LAZY(Format, AVStream*, avformat_new_stream, (AVFormatContext * s, const AVCodec* c), (s, c))
ZD_LAZY(Format, int, avformat_write_header, (AVFormatContext * s, AVDictionary** o), (s, o))
ZD_LAZY(Format, AVIOContext*, avio_alloc_context,
        (unsigned char* buffer, int size, int write, void* opaque,
         int (*readPacket)(void*, uint8_t*, int), int (*writePacket)(void*, uint8_t*, int),
         int64_t (*seek)(void*, int64_t, int)),
        (buffer, size, write, opaque, readPacket, writePacket, seek))
ZD_LAZY(Format, void, avio_context_free, (AVIOContext * *s), (s))
ZD_LAZY(Format, void, avio_flush, (AVIOContext * s), (s))
ZD_LAZY(Format, int64_t, avio_seek, (AVIOContext * s, int64_t o, int w), (s, o, w))

// libavfilter
ZD_LAZY(Filter, int, av_buffersink_get_frame, (AVFilterContext * c, AVFrame* f), (c, f))
ZD_LAZY(Filter, AVRational, av_buffersink_get_time_base, (const AVFilterContext* c), (c))
ZD_LAZY(Filter, int, av_buffersrc_add_frame, (AVFilterContext * c, AVFrame* f), (c, f))
ZD_LAZY(Filter, int, av_buffersrc_add_frame_flags, (AVFilterContext * c, AVFrame* f, int flags),
        (c, f, flags))
ZD_LAZY(Filter, unsigned, avfilter_filter_pad_count, (const AVFilter* f, int output), (f, output))
ZD_LAZY(Filter, const AVFilter*, avfilter_get_by_name, (const char* n), (n))
ZD_LAZY(Filter, AVFilterGraph*, avfilter_graph_alloc, (void), ())
ZD_LAZY(Filter, int, avfilter_graph_config, (AVFilterGraph * g, void* log), (g, log))
ZD_LAZY(Filter, int, avfilter_graph_create_filter,
        (AVFilterContext * *c, const AVFilter* f, const char* n, const char* args, void* opaque,
         AVFilterGraph* g),
        (c, f, n, args, opaque, g))
ZD_LAZY(Filter, void, avfilter_graph_free, (AVFilterGraph * *g), (g))
ZD_LAZY(Filter, int, avfilter_graph_parse2,
        (AVFilterGraph * g, const char* f, AVFilterInOut** in, AVFilterInOut** out),
        (g, f, in, out))
ZD_LAZY(Filter, int, avfilter_graph_parse_ptr,
        (AVFilterGraph * g, const char* f, AVFilterInOut** in, AVFilterInOut** out, void* log),
        (g, f, in, out, log))
ZD_LAZY(Filter, AVFilterInOut*, avfilter_inout_alloc, (void), ())
ZD_LAZY(Filter, int, avfilter_link,
        (AVFilterContext * from, unsigned fromPad, AVFilterContext* to, unsigned toPad),
        (from, fromPad, to, toPad))
ZD_LAZY(Filter, void, avfilter_inout_free, (AVFilterInOut * *io), (io))
ZD_LAZY(Filter, enum AVMediaType, avfilter_pad_get_type, (const AVFilterPad* pads, int i),
        (pads, i))

// curl
ZD_LAZY(Curl, CURLcode, curl_global_init, (long flags), (flags))
ZD_LAZY(Curl, CURL*, curl_easy_init, (void), ())
ZD_LAZY(Curl, CURLcode, curl_easy_perform, (CURL * c), (c))
ZD_LAZY(Curl, void, curl_easy_cleanup, (CURL * c), (c))
ZD_LAZY(Curl, struct curl_slist*, curl_slist_append, (struct curl_slist * l, const char* s), (l, s))
ZD_LAZY(Curl, void, curl_slist_free_all, (struct curl_slist * l), (l))

// curl's two calls with a variable argument: it is always one, whose type
// the option's number tells (as curl itself reads it).
extern "C" CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...)
{
    static const auto real =
        reinterpret_cast<decltype(&::curl_easy_setopt)>(realFunction(Library::Curl, __func__));
    va_list args;
    va_start(args, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = real(curl, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        result = real(curl, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        result = real(curl, option, va_arg(args, void (*)(void)));
    else if (option < CURLOPTTYPE_BLOB)
        result = real(curl, option, va_arg(args, curl_off_t));
    else
        result = real(curl, option, va_arg(args, void*));
    va_end(args);
    return result;
}

extern "C" CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...)
{
    static const auto real =
        reinterpret_cast<decltype(&::curl_easy_getinfo)>(realFunction(Library::Curl, __func__));
    va_list args;
    va_start(args, info);
    void* out = va_arg(args, void*);
    va_end(args);
    return real(curl, info, out);
}

// libarchive
ZD_LAZY(Archive, struct archive*, archive_read_new, (void), ())
ZD_LAZY(Archive, int, archive_read_support_format_zip_seekable, (struct archive * a), (a))
ZD_LAZY(Archive, int, archive_read_open_memory, (struct archive * a, const void* b, size_t n),
        (a, b, n))
ZD_LAZY(Archive, int, archive_read_next_header, (struct archive * a, struct archive_entry** e),
        (a, e))
ZD_LAZY(Archive, la_ssize_t, archive_read_data, (struct archive * a, void* b, size_t n), (a, b, n))
ZD_LAZY(Archive, int, archive_read_free, (struct archive * a), (a))
ZD_LAZY(Archive, const char*, archive_entry_pathname, (struct archive_entry * e), (e))
ZD_LAZY(Archive, const char*, archive_entry_symlink, (struct archive_entry * e), (e))
ZD_LAZY(Archive, const char*, archive_entry_hardlink, (struct archive_entry * e), (e))
ZD_LAZY(Archive, __LA_MODE_T, archive_entry_filetype, (struct archive_entry * e), (e))
ZD_LAZY(Archive, __LA_MODE_T, archive_entry_perm, (struct archive_entry * e), (e))
ZD_LAZY(Archive, la_int64_t, archive_entry_size, (struct archive_entry * e), (e))
ZD_LAZY(Archive, int, archive_entry_size_is_set, (struct archive_entry * e), (e))
ZD_LAZY(Archive, int, archive_entry_is_encrypted, (struct archive_entry * e), (e))

// libmicrohttpd. Its start call takes a list of options; the engine passes
// them as one MHD_OPTION_ARRAY (share/dudserver.cpp), the only form handed
// on here.
extern "C" struct MHD_Daemon* MHD_start_daemon(unsigned int flags, uint16_t port,
                                               MHD_AcceptPolicyCallback apc, void* apcCls,
                                               MHD_AccessHandlerCallback dh, void* dhCls, ...)
{
    static const auto real =
        reinterpret_cast<decltype(&::MHD_start_daemon)>(realFunction(Library::Http, __func__));
    va_list args;
    va_start(args, dhCls);
    const int option = va_arg(args, int);
    const MHD_OptionItem* items =
        option == MHD_OPTION_ARRAY ? va_arg(args, const MHD_OptionItem*) : nullptr;
    va_end(args);
    if (option == MHD_OPTION_END)
        return real(flags, port, apc, apcCls, dh, dhCls, MHD_OPTION_END);
    if (!items)
        std::abort(); // an option list this stand-in does not pass on
    return real(flags, port, apc, apcCls, dh, dhCls, MHD_OPTION_ARRAY, items, MHD_OPTION_END);
}
ZD_LAZY(Http, void, MHD_stop_daemon, (struct MHD_Daemon * d), (d))
ZD_LAZY(Http, enum MHD_Result, MHD_add_connection,
        (struct MHD_Daemon * d, MHD_socket s, const struct sockaddr* a, socklen_t n), (d, s, a, n))
ZD_LAZY(Http, struct MHD_Response*, MHD_create_response_from_buffer,
        (size_t n, void* b, enum MHD_ResponseMemoryMode m), (n, b, m))
ZD_LAZY(Http, struct MHD_Response*, MHD_create_response_from_fd_at_offset64,
        (uint64_t n, int fd, uint64_t o), (n, fd, o))
ZD_LAZY(Http, struct MHD_Response*, MHD_create_response_from_callback,
        (uint64_t n, size_t b, MHD_ContentReaderCallback c, void* cls,
         MHD_ContentReaderFreeCallback f),
        (n, b, c, cls, f))
ZD_LAZY(Http, enum MHD_Result, MHD_add_response_header,
        (struct MHD_Response * r, const char* h, const char* c), (r, h, c))
ZD_LAZY(Http, enum MHD_Result, MHD_queue_response,
        (struct MHD_Connection * c, unsigned int s, struct MHD_Response* r), (c, s, r))
ZD_LAZY(Http, void, MHD_destroy_response, (struct MHD_Response * r), (r))
ZD_LAZY(Http, const char*, MHD_lookup_connection_value,
        (struct MHD_Connection * c, enum MHD_ValueKind k, const char* key), (c, k, key))

// The Avahi client
ZD_LAZY(Avahi, AvahiClient*, avahi_client_new,
        (const AvahiPoll* p, AvahiClientFlags f, AvahiClientCallback c, void* u, int* e),
        (p, f, c, u, e))
ZD_LAZY(Avahi, void, avahi_client_free, (AvahiClient * c), (c))
ZD_LAZY(Avahi, AvahiEntryGroup*, avahi_entry_group_new,
        (AvahiClient * c, AvahiEntryGroupCallback cb, void* u), (c, cb, u))
ZD_LAZY(Avahi, int, avahi_entry_group_add_service_strlst,
        (AvahiEntryGroup * g, AvahiIfIndex i, AvahiProtocol p, AvahiPublishFlags f, const char* n,
         const char* t, const char* d, const char* h, uint16_t port, AvahiStringList* txt),
        (g, i, p, f, n, t, d, h, port, txt))
ZD_LAZY(Avahi, int, avahi_entry_group_commit, (AvahiEntryGroup * g), (g))
ZD_LAZY(Avahi, AvahiServiceBrowser*, avahi_service_browser_new,
        (AvahiClient * c, AvahiIfIndex i, AvahiProtocol p, const char* t, const char* d,
         AvahiLookupFlags f, AvahiServiceBrowserCallback cb, void* u),
        (c, i, p, t, d, f, cb, u))
ZD_LAZY(Avahi, AvahiClient*, avahi_service_browser_get_client, (AvahiServiceBrowser * b), (b))
ZD_LAZY(Avahi, int, avahi_service_browser_free, (AvahiServiceBrowser * b), (b))
ZD_LAZY(Avahi, AvahiServiceResolver*, avahi_service_resolver_new,
        (AvahiClient * c, AvahiIfIndex i, AvahiProtocol p, const char* n, const char* t,
         const char* d, AvahiProtocol ap, AvahiLookupFlags f, AvahiServiceResolverCallback cb,
         void* u),
        (c, i, p, n, t, d, ap, f, cb, u))
ZD_LAZY(Avahi, int, avahi_service_resolver_free, (AvahiServiceResolver * r), (r))
ZD_LAZY(AvahiCommon, AvahiThreadedPoll*, avahi_threaded_poll_new, (void), ())
ZD_LAZY(AvahiCommon, const AvahiPoll*, avahi_threaded_poll_get, (AvahiThreadedPoll * p), (p))
ZD_LAZY(AvahiCommon, int, avahi_threaded_poll_start, (AvahiThreadedPoll * p), (p))
ZD_LAZY(AvahiCommon, int, avahi_threaded_poll_stop, (AvahiThreadedPoll * p), (p))
ZD_LAZY(AvahiCommon, void, avahi_threaded_poll_free, (AvahiThreadedPoll * p), (p))
ZD_LAZY(AvahiCommon, AvahiSimplePoll*, avahi_simple_poll_new, (void), ())
ZD_LAZY(AvahiCommon, const AvahiPoll*, avahi_simple_poll_get, (AvahiSimplePoll * p), (p))
ZD_LAZY(AvahiCommon, int, avahi_simple_poll_iterate, (AvahiSimplePoll * p, int t), (p, t))
ZD_LAZY(AvahiCommon, void, avahi_simple_poll_free, (AvahiSimplePoll * p), (p))
ZD_LAZY(AvahiCommon, AvahiStringList*, avahi_string_list_add, (AvahiStringList * l, const char* t),
        (l, t))
ZD_LAZY(AvahiCommon, AvahiStringList*, avahi_string_list_find, (AvahiStringList * l, const char* k),
        (l, k))
ZD_LAZY(AvahiCommon, void, avahi_string_list_free, (AvahiStringList * l), (l))
ZD_LAZY(AvahiCommon, const char*, avahi_strerror, (int e), (e))
ZD_LAZY(AvahiCommon, char*, avahi_address_snprint, (char* s, size_t n, const AvahiAddress* a),
        (s, n, a))

// libpulse
ZD_LAZY(Pulse, pa_threaded_mainloop*, pa_threaded_mainloop_new, (void), ())
ZD_LAZY(Pulse, void, pa_threaded_mainloop_free, (pa_threaded_mainloop * m), (m))
ZD_LAZY(Pulse, int, pa_threaded_mainloop_start, (pa_threaded_mainloop * m), (m))
ZD_LAZY(Pulse, void, pa_threaded_mainloop_stop, (pa_threaded_mainloop * m), (m))
ZD_LAZY(Pulse, void, pa_threaded_mainloop_lock, (pa_threaded_mainloop * m), (m))
ZD_LAZY(Pulse, void, pa_threaded_mainloop_unlock, (pa_threaded_mainloop * m), (m))
ZD_LAZY(Pulse, pa_mainloop_api*, pa_threaded_mainloop_get_api, (pa_threaded_mainloop * m), (m))
ZD_LAZY(Pulse, pa_context*, pa_context_new, (pa_mainloop_api * a, const char* n), (a, n))
ZD_LAZY(Pulse, void, pa_context_unref, (pa_context * c), (c))
ZD_LAZY(Pulse, int, pa_context_connect,
        (pa_context * c, const char* s, pa_context_flags_t f, const pa_spawn_api* a), (c, s, f, a))
ZD_LAZY(Pulse, void, pa_context_disconnect, (pa_context * c), (c))
ZD_LAZY(Pulse, void, pa_context_set_state_callback,
        (pa_context * c, pa_context_notify_cb_t cb, void* u), (c, cb, u))
ZD_LAZY(Pulse, pa_context_state_t, pa_context_get_state, (const pa_context* c), (c))
ZD_LAZY(Pulse, int, pa_context_errno, (const pa_context* c), (c))
ZD_LAZY(Pulse, pa_time_event*, pa_context_rttime_new,
        (const pa_context* c, pa_usec_t t, pa_time_event_cb_t cb, void* u), (c, t, cb, u))
ZD_LAZY(Pulse, void, pa_context_rttime_restart,
        (const pa_context* c, pa_time_event* e, pa_usec_t t), (c, e, t))
ZD_LAZY(Pulse, pa_usec_t, pa_rtclock_now, (void), ())
ZD_LAZY(Pulse, const char*, pa_strerror, (int e), (e))
ZD_LAZY(Pulse, pa_stream*, pa_stream_new,
        (pa_context * c, const char* n, const pa_sample_spec* s, const pa_channel_map* m),
        (c, n, s, m))
ZD_LAZY(Pulse, void, pa_stream_unref, (pa_stream * s), (s))
ZD_LAZY(Pulse, int, pa_stream_connect_playback,
        (pa_stream * s, const char* d, const pa_buffer_attr* a, pa_stream_flags_t f,
         const pa_cvolume* v, pa_stream* sync),
        (s, d, a, f, v, sync))
ZD_LAZY(Pulse, int, pa_stream_disconnect, (pa_stream * s), (s))
ZD_LAZY(Pulse, void, pa_stream_set_state_callback,
        (pa_stream * s, pa_stream_notify_cb_t cb, void* u), (s, cb, u))
ZD_LAZY(Pulse, pa_stream_state_t, pa_stream_get_state, (const pa_stream* s), (s))
ZD_LAZY(Pulse, int, pa_stream_write,
        (pa_stream * s, const void* d, size_t n, pa_free_cb_t f, int64_t o, pa_seek_mode_t m),
        (s, d, n, f, o, m))
ZD_LAZY(Pulse, pa_operation*, pa_stream_update_timing_info,
        (pa_stream * s, pa_stream_success_cb_t cb, void* u), (s, cb, u))
ZD_LAZY(Pulse, int, pa_stream_get_latency, (pa_stream * s, pa_usec_t* u, int* n), (s, u, n))
ZD_LAZY(Pulse, pa_operation*, pa_stream_flush, (pa_stream * s, pa_stream_success_cb_t cb, void* u),
        (s, cb, u))
ZD_LAZY(Pulse, pa_operation*, pa_stream_drain, (pa_stream * s, pa_stream_success_cb_t cb, void* u),
        (s, cb, u))
ZD_LAZY(Pulse, void, pa_operation_unref, (pa_operation * o), (o))
ZD_LAZY(Pulse, void, pa_operation_cancel, (pa_operation * o), (o))
