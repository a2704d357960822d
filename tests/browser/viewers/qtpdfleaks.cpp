// Allocations Qt PDF 6.4 never frees, for LeakSanitizer in the sanitizer build: the worker thread
// of every QPdfPageRenderer in multi-threaded mode (QPdfView makes one too), pdfium's loader state
// of each loaded QPdfDocument, and the scroller QPdfView grabs for its viewport. Kept beside
// these tests because only they load PDFs with a view.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:QPdfPageRenderer::setRenderMode\n"
           "leak:QPdfDocumentPrivate::\n"
           "leak:QScroller::grabGesture\n";
}
