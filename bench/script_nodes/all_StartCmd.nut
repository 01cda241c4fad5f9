// The script-node benchmark's start-up image: nothing to prepare.
print("bench: start\n");
