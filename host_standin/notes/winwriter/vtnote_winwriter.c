/* vtnote-winwriter: a Windows console program that appends notification records to the notes
 * file as the host does: the file opened for appending with CreateFile, shared for reading,
 * writing and deleting, a record written with WriteFile (in pieces when asked), a pause, the handle
 * closed. Under Wine it is a writer of the host's own kind: no lock, and Wine's server holding
 * the file for as long as the handle is open.
 *
 *   vtnote-winwriter.exe FILE FIRST COUNT [PIECES [OPEN_MS [CLOSE_MS [GAP_MS]]]]
 *
 * Writes records "1|win note <n>" CR LF for n = FIRST .. FIRST + COUNT - 1, one open and close
 * each. FILE is a Windows path (Z:\... for a folder of the Linux side). OPEN_MS is the longest wait
 * between the open and the first piece, CLOSE_MS between the last piece and the close; each note
 * waits a different part of them, so the waits fall at every phase of the reader. GAP_MS is the
 * pause between notes. An open the system refuses (the host would lose that note) is counted and
 * tried again after a millisecond; the count is printed at the end as "refused opens: N". Exits 0
 * when every record was written and no open was refused, 3 when opens were refused but every
 * record got written in the end, 1 otherwise. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static DWORD Part(int n, int whole) {
  return (DWORD)(whole * ((n * 7) % 5) / 4); /* 0, 1/4 ... 1 of `whole`, changing with each note */
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: vtnote-winwriter.exe FILE FIRST COUNT [PIECES [OPEN_MS [CLOSE_MS [GAP_MS]]]]\n");
    return 2;
  }
  const char* file = argv[1];
  const int first = atoi(argv[2]);
  const int count = atoi(argv[3]);
  const int pieces = argc > 4 && atoi(argv[4]) > 0 ? atoi(argv[4]) : 1;
  const int openMs = argc > 5 ? atoi(argv[5]) : 0;
  const int closeMs = argc > 6 ? atoi(argv[6]) : 0;
  const int gapMs = argc > 7 ? atoi(argv[7]) : 0;
  int refused = 0;
  HANDLE turn = CreateMutexA(NULL, FALSE, "vtnote-winwriter-append");
  for (int n = first; n < first + count; ++n) {
    char record[64];
    const int size = snprintf(record, sizeof record, "1|win note %d\r\n", n);
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 1000 && h == INVALID_HANDLE_VALUE; ++attempt) {
      h = CreateFileA(file, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
      if (h == INVALID_HANDLE_VALUE) {
        ++refused;
        fprintf(stderr, "vtnote-winwriter: open of %s refused for note %d: error %lu\n", file, n, GetLastError());
        Sleep(1);
      }
    }
    if (h == INVALID_HANDLE_VALUE) {
      printf("refused opens: %d\n", refused);
      return 1;
    }
    Sleep(Part(n, openMs));
    if (turn) WaitForSingleObject(turn, INFINITE);
    const int step = (size + pieces - 1) / pieces;
    for (int at = 0; at < size; at += step) {
      const DWORD length = (DWORD)(at + step <= size ? step : size - at);
      DWORD written = 0;
      if (at > 0) Sleep(2);
      if (!WriteFile(h, record + at, length, &written, NULL) || written != length) {
        fprintf(stderr, "vtnote-winwriter: cannot write %s: error %lu\n", file, GetLastError());
        CloseHandle(h);
        return 1;
      }
    }
    if (turn) ReleaseMutex(turn);
    Sleep(Part(n + 2, closeMs));
    CloseHandle(h);
    if (gapMs > 0) Sleep((DWORD)gapMs);
  }
  printf("refused opens: %d\n", refused);
  return refused == 0 ? 0 : 3;
}
