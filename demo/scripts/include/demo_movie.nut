// The demo's movie: movie/demo.wmv (red over blue, two seconds, looping)
// shown on layer 13 in a 160 x 80 sprite at (380, 600). Asked for every
// frame: the same name does not start it again.
::gMovieReported <- false;

function PlayDemoMovie(frame) {
    SQ_PlayMovie("demo.wmv", true, 13, 380, 600, 160, 80, 0.0, 0.0, 0.0, 0.0, 255);
    if (!gMovieReported && SQ_IsMoviePlaying()) {
        DemoLog("movie: " + SQ_GetPlayMovieName() + " playing at frame " + frame);
        gMovieReported = true;
    }
}
