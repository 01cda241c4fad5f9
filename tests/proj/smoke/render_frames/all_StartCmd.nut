// Start-up commands of the render-frames run: the frame counter only.
::gFrame <- 0;
