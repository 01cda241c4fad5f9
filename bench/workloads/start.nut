// Start-up commands of the frame-cost workloads: the sprite count comes from
// the workload's own start file (see frame_cost.sh), nothing else is needed.
::gFrame <- 0;
