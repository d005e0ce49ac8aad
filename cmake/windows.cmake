# Windows only: filled in below
