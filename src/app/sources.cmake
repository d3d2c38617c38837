target_sources(brimvale_app PRIVATE)
