// bigpage OUTDIR [MEGABYTES]
//
// Writes OUTDIR/index.htm, one page of about MEGABYTES (default 300) MB of
// ordinary HTML: CR LF line ends, a link every few hundred bytes to one of a
// thousand pages that are not there, now and then an in-page anchor link
// (one of its twenty anchors named), no range patterns. For measuring the peak
// memory of investigating one large page.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bigpage OUTDIR [MEGABYTES]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const unsigned long long megabytes = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 300;
    std::filesystem::create_directories(dir);
    std::FILE *out = std::fopen((dir / "index.htm").c_str(), "wb");
    if (!out)
        return 1;
    const unsigned long long target = megabytes * 1000000ULL;
    std::string chunk =
        "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"><title>Big</title></head>\r\n<body>\r\n";
    unsigned long long written = 0;
    for (unsigned long long n = 0; written + chunk.size() < target; ++n) {
        char line[512];
        int length;
        if (n % 1000 == 0)
            length =
                std::snprintf(line, sizeof line,
                              "<h2%s>Section %llu</h2>\r\n<p>See <a href=\"#s%llu\">this part</a>.</p>\r\n",
                              (n / 1000) % 2 == 0 ? " id=\"s0\"" : "", n, (n / 1000) % 20);
        else
            length =
                std::snprintf(line, sizeof line,
                              "<p>The quick brown fox jumps over the lazy dog, again and again, line %llu; "
                              "then it rests a while in the shade of the old oak tree and reads "
                              "<a href=\"pages/p%04llu.htm\">another page</a> about foxes, dogs and trees "
                              "before it sets off once more.</p>\r\n",
                              n, n % 1000);
        chunk.append(line, static_cast<std::size_t>(length));
        if (chunk.size() > (1u << 20)) {
            std::fwrite(chunk.data(), 1, chunk.size(), out);
            written += chunk.size();
            chunk.clear();
        }
    }
    chunk += "</body></html>\r\n";
    std::fwrite(chunk.data(), 1, chunk.size(), out);
    written += chunk.size();
    std::fclose(out);
    std::printf("%llu bytes\n", written);
    return 0;
}
