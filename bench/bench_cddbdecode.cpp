// Decoding a CDDB read reply of many lines, up to the client's 1 MiB reply limit. The decode
// should grow linearly with the reply: compare it with splitting the same reply into lines
// (BM_SplitReplyIntoLines, Qt alone) at each size; the ratio should stay about the same.
// The same for a reply whose body holds no line end at all, a title key every kilobyte
// (BM_DecodeReplyWithoutLineEnds against BM_SplitAtTheKey).
#include <benchmark/benchmark.h>

#include "cd/cddbclient.h"

namespace {

// A read reply whose title lines all continue title 0, as a hostile server could send.
QString reply(int64_t lines)
{
    QString r = QStringLiteral("210 rock 0901e002 CD database entry follows\r\nDTITLE=Many / Lines\r\n");
    r.reserve(r.size() + lines * 11 + 3);
    for (int64_t i = 0; i < lines; ++i)
        r += QStringLiteral("TTITLE0=x\r\n");
    r += QStringLiteral(".\r\n");
    return r;
}

// Decodes text as the read reply of a one-track disc; title 0 must come out titleSize long.
void decode(benchmark::State& state, const QString& text, qsizetype titleSize)
{
    CDDBClient client;
    client.TrackCount = 1;
    for (auto _ : state) {
        client.ReadDecode(text);
        if (client.TrackTitles[0].size() != titleSize)
            state.SkipWithError("wrong title");
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

// The same text split at separator by Qt alone.
void split(benchmark::State& state, const QString& text, const QString& separator)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(text.split(separator).size());
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}

void BM_DecodeCddbReply(benchmark::State& state) { decode(state, reply(state.range(0)), state.range(0)); }
void BM_SplitReplyIntoLines(benchmark::State& state) { split(state, reply(state.range(0)), QStringLiteral("\r\n")); }

// After two header lines, kib pieces of 1,024 characters without a line end, each starting
// with title 0's key.
const QString kHeader = QStringLiteral("210 rock 0901e002 CD database entry follows\r\nDTITLE=One / Line\r\n");
const QString kKey = QStringLiteral("TTITLE0=");
QString replyWithoutLineEnds(int64_t kib)
{
    return kHeader + (kKey + QString(1024 - kKey.size(), u'x')).repeated(kib);
}

void BM_DecodeReplyWithoutLineEnds(benchmark::State& state)
{
    const QString text = replyWithoutLineEnds(state.range(0));
    decode(state, text, text.size() - kHeader.size() - kKey.size());
}
void BM_SplitAtTheKey(benchmark::State& state) { split(state, replyWithoutLineEnds(state.range(0)), kKey); }

// 90,000 lines: about 990 KB, just under the reply limit.
BENCHMARK(BM_DecodeCddbReply)->Arg(10000)->Arg(45000)->Arg(90000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_SplitReplyIntoLines)->Arg(10000)->Arg(45000)->Arg(90000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
// 1,024 pieces: a mebibyte of body as received.
BENCHMARK(BM_DecodeReplyWithoutLineEnds)->Arg(128)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_SplitAtTheKey)->Arg(128)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
