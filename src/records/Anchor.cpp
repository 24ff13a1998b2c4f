// records
